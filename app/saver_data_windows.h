// Where frostel.scr finds the scene's files, whatever folder Windows starts it from.
#pragma once

enum class SaverDataPlace {
    Beside,     // a data folder beside the .scr: the zip's layout, or the user's own files
    Installed,  // data\ in the folder the setup program recorded (the user's installation, then the machine's)
    Unpacked,   // the default data the .scr carries, unpacked once into the user's local application data
    None,       // nothing anywhere, and nothing could be unpacked: the saver draws black and says so
};

// Makes the folder that holds data\ the current directory and says which it was; wide calls throughout, so that
// folder and user names in any script work.
SaverDataPlace enterSaverDataFolder();

// For the settings box and the preview when the place is None.
extern const wchar_t *const saverDataMissingText;

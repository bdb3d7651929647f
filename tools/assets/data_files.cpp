// The default data folder: every file the demo reads, made in memory and written out.
#include "data_files.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "music.h"
#include "textures.h"
#include "tree.h"

namespace frostel_assets {

std::vector<DataFile> makeDataFiles()
{
    std::vector<DataFile> files;
    files.push_back({"tree.ms3d", encodeMs3d(makeTree())});
    files.push_back({"bark.tga", encodeTga(makeBarkTexture(), 24)});
    files.push_back({"needles.tga", encodeTga(makeNeedlesTexture(), 32)});
    files.push_back({"snow.tga", encodeTga(makeSnowTexture(), 24)});
    files.push_back({"snowflake.tga", encodeTga(makeSnowflakeTexture(), 32)});
    files.push_back({"shine.tga", encodeTga(makeShineTexture(), 32)});
    files.push_back({"overlay.tga", encodeTga(makeOverlayTexture(), 32)});
    const Music music = makeMusic();
    files.push_back({"music.wav", encodeWav(music.samples, kMusicChannels, kMusicRate)});
    return files;
}

bool writeFiles(const std::string &folder, const std::vector<DataFile> &files, std::ostream &errors)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        errors << "cannot create " << folder << ": " << ec.message() << "\n";
        return false;
    }
    for (const DataFile &file : files) {
        const fs::path path = fs::path(folder) / file.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
        out.close();
        if (!out) {
            errors << "cannot write " << path.string() << "\n";
            return false;
        }
    }
    return true;
}

bool writeDataFolder(const std::string &folder, std::ostream &errors)
{
    return writeFiles(folder, makeDataFiles(), errors);
}

}  // namespace frostel_assets

// The saver's data lookup: beside the .scr, in the recorded installation, or unpacked from the .scr itself. Not
// here: reading the files (the scene does that, relative to the current directory).
#include "app/saver_data_windows.h"

#include "app/saver_resources.h"
#include "platform/platform.h"

#include <shlobj.h>
#include <string>
#include <vector>

const wchar_t *const saverDataMissingText =
    L"The scene's files were not found, so the screen saver shows black. Run Frostel's setup program again, or put "
    L"the data folder beside frostel.scr.";

namespace {

const wchar_t *const frostelKey = L"Software\\Frostel";

bool isFolder(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool holdsData(const std::wstring &folder) { return !folder.empty() && isFolder(folder + L"\\data"); }

// The .scr's own folder; paths longer than MAX_PATH too.
std::wstring programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
        if (length == 0) return L"";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) return L"";
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

std::wstring recordedFolder(HKEY root)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, frostelKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return L"";
    std::wstring folder;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, L"InstallDir", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ &&
        size >= sizeof(wchar_t)) {
        std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key, L"InstallDir", nullptr, &type, reinterpret_cast<BYTE *>(text.data()), &size) ==
            ERROR_SUCCESS) {
            folder = text.data();  // the stored string need not end in a zero
        }
    }
    RegCloseKey(key);
    return folder;
}

struct PackedFile {
    std::wstring name;
    const void *bytes;
    DWORD size;
};

std::wstring loadString(HMODULE module, UINT id)
{
    const wchar_t *text = nullptr;
    // With no buffer, LoadStringW points into the resource itself, which is not zero-terminated.
    const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text != nullptr ? std::wstring(text, size_t(length)) : std::wstring();
}

std::vector<PackedFile> packedFiles(HMODULE module)
{
    std::vector<PackedFile> files;
    for (UINT id = IDS_SAVER_DATA_STAMP + 1;; ++id) {
        std::wstring name = loadString(module, id);
        if (name.empty()) break;
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        const void *bytes = loaded ? LockResource(loaded) : nullptr;
        if (bytes == nullptr) return {};
        files.push_back({name, bytes, SizeofResource(module, found)});
    }
    return files;
}

// Complete: every file there at its own size. Nothing is read, so the check costs nothing at each start.
bool holdsPackedFiles(const std::wstring &folder, const std::vector<PackedFile> &files)
{
    for (const PackedFile &file : files) {
        WIN32_FILE_ATTRIBUTE_DATA info;
        if (!GetFileAttributesExW((folder + L"\\data\\" + file.name).c_str(), GetFileExInfoStandard, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || info.nFileSizeHigh != 0 ||
            info.nFileSizeLow != file.size) {
            return false;
        }
    }
    return true;
}

// Everything under `folder`, then the folder itself.
void removeTree(const std::wstring &folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                removeTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

bool writeFile(const std::wstring &path, const PackedFile &file)
{
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(out, file.bytes, file.size, &written, nullptr) && written == file.size;
    return CloseHandle(out) && whole;
}

bool isStampName(const std::wstring &name)
{
    if (name.size() != 16) return false;
    for (wchar_t c : name)
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
    return true;
}

// Copies this build left by others, once this one is in place.
void removeOtherStamps(const std::wstring &root, const std::wstring &stamp)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((root + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != stamp && isStampName(name))
            removeTree(root + L"\\" + name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

// <local application data>\Frostel\<stamp>\data, written whole into a folder of this process's own and then
// renamed into place, so that a saver and its preview starting together, or a full disk, never leave a half copy
// that a later start would take. Returns the folder holding data\, or nothing.
std::wstring unpackedFolder()
{
    HMODULE module = GetModuleHandleW(nullptr);
    const std::wstring stamp = loadString(module, IDS_SAVER_DATA_STAMP);
    const std::vector<PackedFile> files = packedFiles(module);
    wchar_t local[MAX_PATH];
    if (stamp.empty() || files.empty() ||
        SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, local) != S_OK) {
        return L"";
    }
    const std::wstring root = std::wstring(local) + L"\\Frostel";
    const std::wstring folder = root + L"\\" + stamp;
    if (holdsPackedFiles(folder, files)) return folder;

    CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring fresh = folder + L"." + std::to_wstring(GetCurrentProcessId());
    removeTree(fresh);
    bool written = CreateDirectoryW(fresh.c_str(), nullptr) && CreateDirectoryW((fresh + L"\\data").c_str(), nullptr);
    for (size_t i = 0; written && i < files.size(); ++i)
        written = writeFile(fresh + L"\\data\\" + files[i].name, files[i]);
    if (!written) {
        removeTree(fresh);
        return L"";
    }
    // An incomplete copy (files deleted by hand) makes way; another process's complete one is taken as it is.
    if (isFolder(folder) && !holdsPackedFiles(folder, files)) removeTree(folder);
    if (!MoveFileExW(fresh.c_str(), folder.c_str(), 0)) {
        removeTree(fresh);
        if (!holdsPackedFiles(folder, files)) return L"";
    }
    removeOtherStamps(root, stamp);
    return folder;
}

bool enter(const std::wstring &folder) { return SetCurrentDirectoryW(folder.c_str()) != FALSE; }

}  // namespace

SaverDataPlace enterSaverDataFolder()
{
    const std::wstring beside = programFolder();
    if (holdsData(beside) && enter(beside)) return SaverDataPlace::Beside;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        const std::wstring installed = recordedFolder(root);
        if (holdsData(installed) && enter(installed)) return SaverDataPlace::Installed;
    }
    const std::wstring unpacked = unpackedFolder();
    if (!unpacked.empty() && enter(unpacked)) return SaverDataPlace::Unpacked;
    return SaverDataPlace::None;
}

#include "core/model/data_folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

#include "core/operator.h"

namespace tem {

namespace fs = std::filesystem;

namespace {

std::string withSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return ".";
}

/// Creates the folder with its parents when it is missing and reports the outcome.
std::string ensureFolder(const std::string& folder, Operator& op)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return folder;
    fs::create_directories(folder, ec);
    if (!ec && fs::is_directory(folder, ec))
        op.inform("New directory " + folder + " added OK");
    else
        op.inform("New directory " + folder + " add failed with error : " +
                  std::to_string(ec ? ec.value() : int(std::errc::not_a_directory)));
    return folder;
}

/// A gate set file: the extension ".chn" in any letter case.
bool isChnFile(const fs::path& file)
{
    std::string extension = file.extension().string();
    for (char& c : extension)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return extension == ".CHN";
}

} // namespace

DataFolders DataFolders::ForUser()
{
    // Only an absolute XDG_DATA_HOME counts; a relative one is to be ignored.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const std::string dataHome = (xdg && xdg[0] == '/') ? std::string(xdg) : homeFolder() + "/.local/share";
    return Under(withSlash(dataHome) + "Pelk/Moravel/");
}

DataFolders DataFolders::Under(const std::string& sharedFolder)
{
    DataFolders f;
    f.appData = withSlash(sharedFolder);
    f.temConfig = f.appData + "TEMSetrix/";
    return f;
}

std::string GetPathToTEMConfigData(const DataFolders& folders, Operator& op)
{
    return ensureFolder(folders.temConfig, op);
}

std::string GetPathToAppData(const DataFolders& folders, Operator& op)
{
    return ensureFolder(folders.appData, op);
}

std::string ShippedDataFolderFor(const std::string& program)
{
    // The relative path from the installed programs to the installed data comes from the build
    // (normally "../share/temsetrix"); the checkout's folder is only the developer's fallback.
    std::error_code ec;
    const fs::path installed =
        (fs::path(program).parent_path() / TEMSETRIX_INSTALLED_DATA_FROM_PROGRAMS).lexically_normal();
    if (!program.empty() && fs::is_regular_file(installed / "DemoConfig.TDC", ec))
        return withSlash(installed.string());
    return withSlash(TEMSETRIX_DATA_DIR);
}

std::string ShippedDataFolder()
{
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ShippedDataFolderFor(ec ? std::string() : program.string());
}

std::string ShippedDemoConfiguration()
{
    return ShippedDataFolder() + "DemoConfig.TDC";
}

bool InstallDemoConfiguration(const DataFolders& folders, Operator& op, const std::string& source)
{
    std::error_code ec;
    const std::string target = folders.temConfig + "DemoConfig.TDC";
    if (fs::exists(target, ec) || ec)
        return false;
    if (!fs::is_regular_file(source, ec))
        return false;
    // copy_options::none refuses an existing target, so a file that appeared meanwhile stays.
    if (!fs::copy_file(source, target, fs::copy_options::none, ec)) {
        op.inform("Could not copy the demonstration configuration " + source + " to " + target + " : " +
                  ec.message());
        return false;
    }
    return true;
}

std::string ShippedGateSetFolder()
{
    return ShippedDataFolder() + "Channel_Files/";
}

int InstallShippedGateSets(const std::string& configFolder, const std::string& shippedFolder)
{
    std::error_code ec;
    const fs::path target = fs::path(configFolder) / "Channel_Files";
    int copied = 0;
    for (fs::directory_iterator it(shippedFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec) || !isChnFile(it->path()))
            continue;
        std::error_code copyError;
        fs::create_directories(target, copyError);
        // copy_options::none refuses an existing file, so a set the operator edited stays.
        if (fs::copy_file(it->path(), target / it->path().filename(), fs::copy_options::none, copyError))
            ++copied;
    }
    return copied;
}

} // namespace tem

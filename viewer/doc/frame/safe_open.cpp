#include "viewer/doc/frame/safe_open.h"

#include <algorithm>
#include <string_view>

namespace viewer::doc::frame {

namespace {

struct ProgramType {
    std::string_view name;
    // Also every type that descends from it. application/x-executable and the script types
    // of the web are matched only by themselves: JSON descends from them, and JSON is data.
    bool descendants;
};

constexpr ProgramType kProgramTypes[] = {
    // executables, libraries and scripts
    {"application/x-executable", false},
    {"application/x-pie-executable", true},
    {"application/x-sharedlib", true},
    {"application/x-shellscript", true},
    {"application/x-perl", true},
    {"application/x-ruby", true},
    {"application/x-awk", true},
    {"text/x-python", true},
    {"text/x-lua", true},
    {"text/tcl", true},
    {"application/javascript", false},
    {"application/ecmascript", false},
    // launchers
    {"application/x-desktop", true},
    {"application/x-mswinurl", true},
    {"application/x-java-archive", true},
    {"application/x-java-jnlp-file", true},
    // installers and packages
    {"application/vnd.debian.binary-package", true},
    {"application/x-deb", true},
    {"application/x-rpm", true},
    {"application/x-msi", true},
    {"application/vnd.flatpak", true},
    {"application/vnd.flatpak.ref", true},
    {"application/vnd.flatpak.repo", true},
    {"application/vnd.snap", true},
    {"application/vnd.appimage", true},
    {"application/x-iso9660-appimage", true},
    {"application/x-xpinstall", true},
    {"application/x-xar", true},
    {"application/vnd.android.package-archive", true},
    // disk images, which the desktop mounts
    {"application/x-raw-disk-image", true},
    {"application/x-cd-image", true},
    {"application/x-compressed-iso", true},
    {"application/x-apple-diskimage", true},
    {"application/vnd.squashfs", true},
    {"application/x-qemu-disk", true},
    {"application/x-qed-disk", true},
    {"application/x-vhd-disk", true},
    {"application/x-vhdx-disk", true},
    {"application/x-vmdk-disk", true},
    {"application/x-vdi-disk", true},
    {"application/x-ms-wim", true},
    // Windows programs, scripts and shortcuts
    {"application/x-ms-dos-executable", true},
    {"application/x-msdownload", true},
    {"application/x-msdos-program", true},
    {"application/x-ms-ne-executable", true},
    {"application/vnd.microsoft.portable-executable", true},
    {"application/x-ms-shortcut", true},
    {"application/x-bat", true},
    {"text/x-msdos-batch", true},
    {"text/vbscript", true},
    {"text/x-ms-regedit", true},
};

// Windows extensions that a compatibility layer runs and that a MIME database may not know.
constexpr std::string_view kProgramExtensions[] = {
    "bat", "cmd", "com", "cpl", "exe", "gadget", "hta", "inf", "jar", "jse", "js",  "lnk",
    "msc", "msi", "msp", "pif", "ps1", "reg",    "scf", "scr", "vbe", "vbs", "wsf", "wsh",
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool IsProgramType(const FileType& type)
{
    for (const ProgramType& rule : kProgramTypes) {
        if (EqualsIgnoringCase(type.name, rule.name)) {
            return true;
        }
        if (rule.descendants) {
            for (const std::string& ancestor : type.ancestors) {
                if (EqualsIgnoringCase(ancestor, rule.name)) {
                    return true;
                }
            }
        }
    }
    return false;
}

// Trailing dots and spaces are dropped by Windows, so "x.exe." still runs as "x.exe".
bool HasProgramExtension(std::string_view name)
{
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        name.remove_suffix(1);
    }
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string_view extension = name.substr(dot + 1);
    return std::any_of(
        std::begin(kProgramExtensions), std::end(kProgramExtensions),
        [&](std::string_view known) { return EqualsIgnoringCase(extension, known); });
}

} // namespace

bool RunsAsProgram(const std::vector<FileType>& types, const std::string& name)
{
    return HasProgramExtension(name) ||
           std::any_of(types.begin(), types.end(),
                       [](const FileType& t) { return IsProgramType(t); });
}

} // namespace viewer::doc::frame

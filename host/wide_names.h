// File names in any script for hosts whose file code and plug-in calls take ANSI names.
//
// A name the ANSI code page holds exactly is used as it is. Any other is
// reached through its 8.3 short form, which every file of NTFS and of Wine's
// drives has (measured under Wine 8: "日本語.png" is "___~~GCW.PNG" and opens
// with the A functions; the code page's best fit gives "???.png", or "Lodz.png"
// for "Łódź.png", which name no file). The long name, whole, comes back from
// the short one for titles.
#pragma once

#include <string>

namespace molvane::host {

// `text` in the code page (CP_ACP, 1252, ...) as UTF-16; bytes it lacks become U+FFFD.
std::wstring WideFromCodePage(const std::string& text, unsigned codePage);
// True when the ANSI code page holds `text` exactly; `ansi` gets it.
bool ToAnsiExactly(const std::wstring& text, std::string& ansi);
// A path the ANSI file functions open as `path`: itself in the code page, or
// its short form; for a file not there whose name the code page cannot hold,
// the code page's best fit, which names no file.
std::string AnsiPathOf(const std::wstring& path);
// The path as the file system names it, whole (long names for short ones);
// the path itself, widened, when the file is not there.
std::wstring LongPathOf(const std::string& ansiPath);

}  // namespace molvane::host

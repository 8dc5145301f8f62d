// The system's open and save dialogs, asking for an image file in the formats the viewer knows.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

namespace molvane::viewer {

// The files the user chose to open (one or several of a folder), starting in
// `folder` when given; none when they cancelled. Names in any script come as
// paths the ANSI functions open (host/wide_names.h).
std::vector<std::string> ChooseImagesToOpen(HWND owner, const std::string& folder);

// Where the user chose to save, starting from `suggested`; empty when they
// cancelled. A name typed with no extension at all gets the one of the chosen
// type; any other comes back as typed, whether the viewer can write it or not.
std::wstring ChooseWhereToSave(HWND owner, const std::wstring& suggested);

// Why the viewer cannot write a file of that name, naming the formats it
// writes; empty when it can.
std::string WhyNotWritable(const std::string& path);
// The path itself when the viewer can write its format; else the same name
// with the extension of PNG, the type the save dialog offers first.
std::string WritableName(const std::string& path);

}  // namespace molvane::viewer

// The viewer's own question box: French verb buttons whatever the language of the system.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace molvane::viewer {

enum class QuestionIcon { kQuestion, kWarning };

// Asks `text` in a modal dialog owned by `owner`, with one push button per
// answer, left to right. The first is the default (Enter); the last answers
// Échap and the close box. "&" marks a button's access key (Alt + letter).
// Texts are Windows-1252. Returns the index of the answer chosen.
size_t Ask(HWND owner, const std::string& title, const std::string& text, const std::vector<std::string>& answers,
           QuestionIcon icon = QuestionIcon::kQuestion);

}  // namespace molvane::viewer

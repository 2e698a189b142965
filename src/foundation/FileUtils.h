#pragma once

// Whole-folder and whole-file helpers.

#include <string>

namespace korvel {

// Deletes the folder with everything in it; links inside it are removed, never followed. AError is
// "" on success (a folder that is not there counts as deleted), otherwise "DeleteDirectory - " and
// the reason. An empty path is refused: it must never stand for the current folder.
void DeleteDirectory(const std::string& APath, std::string& AError);

// The file's text as UTF-8, its lines joined by CR LF with CR LF after the last one. A byte-order
// mark (UTF-8, UTF-16 LE or BE) gives the encoding; without one the text is Windows-1251.
// Throws when the file cannot be read.
std::string LoadTextFile(const std::string& AFileName);

}  // namespace korvel

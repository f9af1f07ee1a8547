// Whole-file reads and writes; a write never leaves a half-written file behind.
#pragma once

#include <string>

namespace SafeFile {

// Writes Data to Path: a temporary file in the same folder is written,
// flushed to the disk and renamed over Path, then the folder is flushed. When
// Path is a symbolic link, the file it points to is replaced. The new file
// gets permissions Mode exactly (no umask applies). Returns 0 on success,
// else the errno of the failed step; Path is then untouched and no temporary
// file is left.
int Write(const std::string& Path, const std::string& Data, unsigned Mode);

// True when something exists at Path.
bool Exists(const std::string& Path);

// Reads the whole file. Returns 0, or the errno of the failure (ENOENT when
// there is no file); Data is emptied on failure.
int Read(const std::string& Path, std::string& Data);

}  // namespace SafeFile

// Text files of the send and read pages: reading UTF-8 or Shift_JIS as the program's text, writing CR LF lines.
#pragma once

#include <string>
#include <vector>

// Text file contents as the program's Shift_JIS text: bytes that are valid
// UTF-8 (a leading byte-order mark is dropped) are converted from UTF-8,
// anything else is taken as Shift_JIS unchanged.
std::string TextFileToSjis(const std::string& Bytes);

// Reads a text file for the body (open and drop). Throws Exception with the
// standard input/output error text when the file cannot be read.
std::string LoadTextFile(const std::string& Path);
// Writes Lines (Shift_JIS), each followed by CR LF, to a new file at Path;
// a failed write leaves any old file untouched. Throws Exception with the
// standard input/output error text on failure.
void SaveTextFile(const std::string& Path, const std::vector<std::string>& Lines);
// The standard input/output error text for an errno value.
std::string InOutErrorText(int Code);

// Uuencoded blocks inside plain text: counting them, their names, saving one.
#pragma once

#include <iosfwd>
#include <string>

#include "Classes.h"

// The number of complete blocks; 0 when the text ends inside an unfinished one.
int UUBlockCount(const TStrings& Lines);
// The name in the "begin" line of block N (from 1); empty when there is none.
std::string UUBlockName(const TStrings& Lines, int N);
// Writes the bytes of block N (from 1) to Stream, or to the file Path.
void UUWriteBlock(const TStrings& Lines, int N, std::ostream& Stream);
void UUSaveBlock(const TStrings& Lines, int N, const std::string& Path);

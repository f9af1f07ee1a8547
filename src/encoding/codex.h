// Encoded words of header fields (RFC 2047), and the base64 and
// quoted-printable text decoders the transfer encodings reuse.
#pragma once

#include <string>

// The base64 character of a 6-bit value; "=" for any value above 63.
char Base64Digit(int Value);
std::string Base64Decode(const std::string& Text);
// "=XX" escapes with upper-case hexadecimal digits; "_" is left unchanged.
std::string QPDecode(const std::string& Text);
// B/b: base64; Q/q: Q encoding ("_" is a blank, then the "=XX" escapes);
// any other letter returns Text unchanged.
std::string DecodeText(char Letter, const std::string& Text);
// Decodes the words of one charset in Text; everything else is copied.
std::string DecodeWords(const std::string& Text, const std::string& Charset);
// Decodes the ISO-2022-JP, EUC-JP, Shift_JIS and UTF-8 words of Text; the
// result mixes JIS and Shift_JIS (follow it with JISToSJIS to display it).
std::string DecodeHeader(const std::string& Text);
// One "=?ISO-2022-JP?B?...?=" word holding Bytes.
std::string EncodeWordB(const std::string& Bytes);
// Wraps each double-byte run of JIS text (as SJISToJIS writes it) in a word.
std::string EncodeHeader(const std::string& Text);

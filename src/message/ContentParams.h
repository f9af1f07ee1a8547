// Content parameters: the items of a Content-Type or Content-Disposition
// value, RFC 2231 values and percent-encoding.
#pragma once

#include <string>
#include <vector>

#include "BaseMsg.h"
#include "Classes.h"

// The parameters of a Content-Type or Content-Disposition value, one item per
// parameter as written ("charset=iso-2022-jp", "filename*0*=..."); the first
// item of a disposition list is the disposition type.
class TContentParams : public TStringList {
public:
    // Splits Text into items at ";" (blanks and ";" after an item are
    // skipped; a ";" inside quotes splits too). Hides TStrings::SetText.
    void SetText(const std::string& Text);
    // The value of parameter Name: quoted values give their inside, others
    // their percent-decoded bytes; items are joined in list order. A value
    // continued in the standard form (only the first extended item carries
    // charset'language') is joined as bytes before its one charset
    // conversion; items with their own charset prefix convert one by one.
    // ISO-2022-JP, UTF-8, Shift_JIS and EUC-JP values become Shift_JIS.
    std::string ParamValue(const std::string& Name) const;
    // Replaces parameter Name by items in RFC 2231 form.
    void SetParam(const std::string& Name, const std::string& Value);
    // Removes every item whose name is Name.
    void DeleteParam(const std::string& Name);
    // Rewrites header field FieldName of Part: its value up to the first ";",
    // then ";" CR LF TAB + item for each item. Nothing when the field is empty.
    void WriteToField(TBaseMessage& Part, const std::string& FieldName) const;
};

// Name (before the first "*" or "="), section (after that first "*" up to the
// first "=") and value (after the first "=") of one parameter item.
void ParseParamItem(const std::string& Item, std::string& Name, std::string& Section, std::string& Value);
std::string PercentEncode(const std::string& Text);
// charset'language'text (or charset'text) to Shift_JIS; text alone is
// percent-decoded.
std::string RFC2231Decode(const std::string& Value);
// Percent-encoded ASCII, or "iso-2022-jp'jp'" + the percent-encoded JIS text.
std::string RFC2231EncodeValue(const std::string& Value);
// Pieces of at most 40 bytes that never split a double-byte character and
// never mix single-byte and double-byte characters.
std::vector<std::string> SplitParamValue(const std::string& Value);
// Converts Bytes in the named charset to Shift_JIS: ISO-2022-JP, UTF-8,
// EUC-JP and Shift_JIS (with its aliases) are understood; with
// ForUnknownAsJIS set, any other charset goes through JISToSJIS, else the
// bytes stay as they are.
std::string CharsetToSJIS(const std::string& Charset, const std::string& Bytes, bool ForUnknownAsJIS);

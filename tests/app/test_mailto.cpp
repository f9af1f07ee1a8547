// mailto links taken apart into the send page's fields.
#include <gtest/gtest.h>

#include "Mailto.h"
#include "uni2sj.h"

namespace {
std::string SJ(const char* Utf8) { return UTF8ToSJIS(Utf8); }
}  // namespace

TEST(MailtoLink, FillsTheSendPageFields) {
    struct Case {
        const char* Link;
        std::string To, CC, Subject, Body;
    };
    const Case Cases[] = {
        // Several addresses in the path and in repeated to fields; names in any case, even encoded.
        {"mailto:a@example.jp,b@example.jp", "a@example.jp, b@example.jp", "", "", ""},
        {"MAILTO:a@x?To=b@x&to=c@x,%20d@x&CC=e@x&cc=f@x&%73ubject=s", "a@x, b@x, c@x, d@x", "e@x, f@x", "s",
         ""},
        {"mailto:?to=%22Yamada,%20Taro%22%20%3Ctaro@x%3E,b@x", "\"Yamada, Taro\" <taro@x>, b@x", "", "", ""},
        // Encoded Japanese subject and body; CR LF in the body is a line break.
        {"mailto:taro@example.jp?subject=%E4%BC%9A%E8%AD%B0%E3%81%AE%E4%BB%B6"
         "&body=%E3%81%93%E3%82%93%E3%81%AB%E3%81%A1%E3%81%AF%0D%0A%E5%B1%B1%E7%94%B0",
         "taro@example.jp", "", "\x89\xEF\x8B\x63\x82\xCC\x8C\x8F", SJ("こんにちは\r\n山田")},
        // Unencoded UTF-8 as a shell passes it, and Shift_JIS escapes from older pages.
        {"mailto:?subject=日本語", "", "", SJ("日本語"), ""},
        {"mailto:?subject=%89%EF%8B%63", "", "", "\x89\xEF\x8B\x63", ""},
        // "+" is a plus, not a space.
        {"mailto:a+tag@x?subject=1+1%3D2", "a+tag@x", "", "1+1=2", ""},
        // Malformed escapes stay as typed.
        {"mailto:a@x?subject=100%&body=%ZZ%4%g1%%41%", "a@x", "", "100%", "%ZZ%4%g1%A%"},
        // Line breaks cannot reach the header; the body keeps them and tabs, drops other controls.
        {"mailto:a@x?subject=Hi%0D%0ABcc:%20evil@y&bcc=evil@y&to=%0Ab@x", "a@x, b@x", "", "Hi  Bcc: evil@y",
         ""},
        {"mailto:?body=a%0Ab%0Dc%0D%0Ad%09e%00f%1B", "", "", "", "a\r\nb\r\nc\r\nd\tef"},
        // The first subject and body count; fields without "=" and unknown fields are skipped.
        {"mailto:?&subject&subject=one&subject=two&body=x&body=y&&x-y=z", "", "", "one", "x"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Link);
        TMailtoFields F;
        ASSERT_TRUE(ParseMailto(C.Link, F));
        EXPECT_EQ(F.To, C.To);
        EXPECT_EQ(F.CC, C.CC);
        EXPECT_EQ(F.Subject, C.Subject);
        EXPECT_EQ(F.Body, C.Body);
    }
}

TEST(MailtoLink, OtherLinksLeaveTheFieldsAlone) {
    for (const char* Link : {"", "mailto", "mail:a@x", "http://example.jp/?to=a@x", " mailto:a@x"}) {
        TMailtoFields F;
        F.To = "kept";
        EXPECT_FALSE(ParseMailto(Link, F)) << Link;
        EXPECT_EQ(F.To, "kept");
    }
}

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/RegistryDocument.h"
#include "platform/Text.h"

namespace inkvista {
namespace {

constexpr std::u16string_view kKey = u"\\Software\\Quillmark\\InkVISTA";
const std::string kHead = "Windows Registry Editor Version 5.00\n";

RegistryDocument Parsed(const std::string& text) {
    RegistryDocument doc;
    std::string problem;
    EXPECT_TRUE(doc.Parse(text, &problem)) << problem;
    return doc;
}

std::string Problem(const std::string& text) {
    RegistryDocument doc;
    std::string problem;
    EXPECT_FALSE(doc.Parse(text, &problem)) << text;
    return problem;
}

RegistryValue Dword(uint32_t v) {
    return {REG_DWORD, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
}

std::string Utf16Le(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

// Comments, other roots, deletions and value deletions are kept in place; a
// value the program adds goes to the end of its own key.
TEST(RegistryDocument, LinesNotUsedSurviveAndNewValuesGoToTheirKey) {
    const std::string text = kHead +
                             "\n"
                             "; written by hand\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Vendor]\n"
                             "\"Blob\"=hex:01,02,\\\n"
                             "  03\n"
                             "\"Odd\"=something only its editor knows\n"
                             "\n"
                             "[-HKEY_CURRENT_USER\\Software\\Gone]\n"
                             "\n"
                             "[hkey_current_user\\Software\\Quillmark\\InkVISTA]\n"
                             "\"Password\"=\"abc\"\n"
                             "\"Dropped\"=-\n"
                             "  ; indented comment\n"
                             "\"Count\"=dword:0000002A\n"
                             "\n"
                             "[HKEY_CURRENT_USER\\Software\\Other]\n"
                             "@=hex(2):41,00,00,00\n";
    RegistryDocument doc = Parsed(text);
    EXPECT_EQ(doc.Serialize(), text);  // nothing changed, nothing moved

    ASSERT_NE(doc.GetValue(kKey, u"count"), nullptr);
    EXPECT_EQ(*doc.GetValue(kKey, u"count"), Dword(42));
    EXPECT_EQ(doc.GetValue(kKey, u"Password")->data,
              (std::vector<uint8_t>{'a', 0, 'b', 0, 'c', 0, 0, 0}));
    EXPECT_EQ(doc.GetValue(u"Software\\Other", u"")->type, 2u);
    EXPECT_FALSE(doc.KeyExists(u"\\Software\\Vendor"));  // another root's key
    EXPECT_FALSE(doc.KeyExists(u"\\Software"));

    ASSERT_TRUE(doc.SetValue(kKey, u"Dropped", Dword(1)));
    ASSERT_TRUE(doc.SetValue(kKey, u"COUNT", Dword(7)));
    const std::string saved = doc.Serialize();
    const size_t otherKey = saved.find("[HKEY_CURRENT_USER\\Software\\Other]");
    EXPECT_NE(saved.find("\"Count\"=dword:00000007\n\"Dropped\"=dword:00000001\n"),
              std::string::npos)
        << saved;
    // After the deletion line, so the next read keeps it.
    EXPECT_LT(saved.find("\"Dropped\"=-"), saved.find("\"Dropped\"=dword"));
    EXPECT_LT(saved.find("\"Dropped\"=dword"), otherKey);
    for (const char* kept : {"; written by hand\n", "\"Blob\"=hex:01,02,\\\n  03\n",
                             "\"Odd\"=something only its editor knows\n",
                             "[-HKEY_CURRENT_USER\\Software\\Gone]\n", "  ; indented comment\n"}) {
        EXPECT_NE(saved.find(kept), std::string::npos) << kept;
    }
    RegistryDocument again = Parsed(saved);
    EXPECT_TRUE(again.SameContent(doc));
    EXPECT_EQ(again.Serialize(), saved);
}

TEST(RegistryDocument, RepeatedKeysMergeAndDeletedKeysLeaveWithTheirLines) {
    RegistryDocument doc = Parsed(kHead +
                                  "[HKEY_CURRENT_USER\\A]\n"
                                  "\"x\"=dword:00000001\n"
                                  "\"y\"=dword:00000001\n"
                                  "\n"
                                  "[HKEY_CURRENT_USER\\A\\Sub]\n"
                                  "; about Sub\n"
                                  "\"z\"=dword:00000003\n"
                                  "\"gone\"=-\n"
                                  "[HKEY_CURRENT_USER\\a]\n"
                                  "\"X\"=dword:00000002\n");
    EXPECT_EQ(*doc.GetValue(u"A", u"x"), Dword(2));  // the later line wins
    EXPECT_EQ(*doc.GetValue(u"A", u"y"), Dword(1));
    ASSERT_TRUE(doc.DeleteKey(u"\\A\\SUB"));
    ASSERT_TRUE(doc.SetValue(u"A", u"new", Dword(4)));
    const std::string saved = doc.Serialize();
    EXPECT_EQ(saved, kHead +
                         "[HKEY_CURRENT_USER\\A]\n"
                         "\"y\"=dword:00000001\n"
                         "\n"
                         "; about Sub\n"
                         "[HKEY_CURRENT_USER\\a]\n"
                         "\"X\"=dword:00000002\n"
                         "\"new\"=dword:00000004\n");
    EXPECT_FALSE(Parsed(saved).KeyExists(u"A\\Sub"));

    // A key made anew is written at the end, its parents before it.
    bool created = false;
    ASSERT_TRUE(doc.CreateKey(u"B\\C", &created));
    EXPECT_TRUE(created);
    ASSERT_TRUE(doc.SetValue(u"b\\c", u"v", {REG_BINARY, {}}));
    EXPECT_EQ(doc.Serialize(), saved +
                                   "\n"
                                   "[HKEY_CURRENT_USER\\B]\n"
                                   "\n"
                                   "[HKEY_CURRENT_USER\\B\\C]\n"
                                   "\"v\"=hex:\n"
                                   "\n");
    EXPECT_FALSE(doc.CreateKey(u"Line\nBreak", &created));
    EXPECT_FALSE(doc.CreateKey(std::u16string(u"Zero\0Unit", 9), &created));
    EXPECT_FALSE(created);
}

TEST(RegistryDocument, WhatIsNotARegistryIsRefusedWithTheLine) {
    const std::string notRegistry =
        "not a registry file: it does not start with the line \"Windows Registry Editor "
        "Version 5.00\"";
    EXPECT_EQ(Problem("\x89PNG\r\n\x1a\n\0\0\0\rIHDR"), notRegistry);
    EXPECT_EQ(Problem("hello\n"), notRegistry);
    EXPECT_EQ(Problem("REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n"), notRegistry);
    EXPECT_EQ(Problem("\n" + kHead), notRegistry);

    const std::pair<const char*, const char*> cases[] = {
        {"\"x\"=dword:00000001\n", "line 2: a value outside any key"},
        {"[HKEY_CURRENT_USER\\A]\nx=1\n", "line 3: neither a key, a value nor a comment"},
        {"[HKEY_CURRENT_USER\\A\n", "line 2: a key line without its closing ']'"},
        {"[HKEY_CURRENT_USER\\A] trailing\n", "line 2: a key line without its closing ']'"},
        {"[HKEY_CURRENT_USER\\A]\n\"x\"=dword:xyz\n", "line 3: a value that cannot be read"},
        {"[HKEY_CURRENT_USER\\A]\n\"x\"=dword:123456789\n", "line 3: a value that cannot be read"},
        {"[HKEY_CURRENT_USER\\A]\n\"x\"=hex(1):41,0\n", "line 3: a value that cannot be read"},
        {"[HKEY_CURRENT_USER\\A]\n\"x\"=hex:41,,00\n", "line 3: a value that cannot be read"},
        {"[HKEY_CURRENT_USER\\A]\n\n\"x\"=hex:41,\\\n  42,\\\n",
         "line 4: a value that goes on past the end"},
        {"[HKEY_CURRENT_USER\\A]\n\"x\"=\"open\n", "line 3: a value that cannot be read"},
        {"[HKEY_CURRENT_USER\\A]\n\"x\n", "line 3: a value name without its closing quote"},
        {"[HKEY_CURRENT_USER\\A]\n\"x\" dword:1\n", "line 3: a value name without '='"},
        {"[HKEY_CURRENT_USER\\A]\n\"\xC3\x28\"=dword:1\n",
         "line 3: a value name that is not UTF-8"},
        {"[HKEY_CURRENT_USER\\\xFF]\n", "line 2: a key name that is not UTF-8"},
    };
    for (const auto& [body, problem] : cases) {
        EXPECT_EQ(Problem(kHead + body), std::string("not a registry file: ") + problem) << body;
    }
    EXPECT_EQ(Problem("\xFE\xFF\0W"), "UTF-16 big-endian text is not read");
    EXPECT_EQ(Problem(Utf16Le(u"Windows") + "x"), "UTF-16 text cut in the middle of a character");

    // Other roots are kept as they are, not read.
    const std::string other = kHead + "[HKEY_USERS\\S-1]\n\"\xC3\x28\"=anything\n";
    EXPECT_EQ(Parsed(other).Serialize(), other);
    // Nothing at all is an empty registry.
    RegistryDocument empty = Parsed("");
    EXPECT_EQ(empty.Serialize(), kHead);
}

TEST(RegistryDocument, ReadsTheSystemEditorsUtf16ExportAndWritesUtf8) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Quillmark\\InkVISTA]\r\n"
        u"\"Password\"=\"abc\"\r\n"
        u"\"UserDir\"=hex(1):5c,00,\uB9CC,\\\r\n"
        u"  00\r\n"
        u"\"\uD654\U0001F600\"=dword:00000001\r\n";
    // The stray Hangul in the hex is a fault the loader must catch.
    EXPECT_EQ(Problem(Utf16Le(text)), "not a registry file: line 5: a value that cannot be read");

    std::u16string good = text;
    good.replace(good.find(u"\uB9CC"), 1, u"00");
    RegistryDocument doc = Parsed(Utf16Le(good));
    EXPECT_EQ(doc.GetValue(kKey, u"password")->data,
              (std::vector<uint8_t>{'a', 0, 'b', 0, 'c', 0, 0, 0}));
    EXPECT_EQ(doc.GetValue(kKey, u"UserDir")->data, (std::vector<uint8_t>{0x5C, 0, 0, 0}));
    EXPECT_EQ(*doc.GetValue(kKey, u"\uD654\U0001F600"), Dword(1));
    const std::string saved = doc.Serialize();
    EXPECT_EQ(saved.find('\r'), std::string::npos);
    EXPECT_EQ(saved.find('\0'), std::string::npos);
    EXPECT_NE(saved.find("\"\xED\x99\x94\xF0\x9F\x98\x80\"=dword:00000001\n"), std::string::npos);
    EXPECT_TRUE(Parsed(saved).SameContent(doc));
    // A UTF-8 mark is read too, and not written back.
    EXPECT_EQ(Parsed("\xEF\xBB\xBF" + saved).Serialize(), saved);
    // Every carriage return at a line's end goes, the last line's too, so
    // what is written reads back the same.
    EXPECT_EQ(Parsed(kHead + "; a\r\r\n; b\rc\r\n; d\r").Serialize(), kHead + "; a\n; b\rc\n; d\n");
}

TEST(RegistryDocument, LongHexValuesOverManyLines) {
    // The way it is written: 25 bytes a line, each line ending in "\".
    std::vector<uint8_t> data(1 << 20);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
    RegistryDocument doc;
    ASSERT_TRUE(doc.CreateKey(kKey, nullptr));
    ASSERT_TRUE(doc.SetValue(kKey, u"Big", {REG_SZ, data}));
    const std::string text = doc.Serialize();
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 40000);
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        ASSERT_LE(end - start, 80u);
    }
    RegistryDocument again = Parsed(text);
    EXPECT_EQ(again.GetValue(kKey, u"big")->data, data);
}

// Random names and values, every unit and byte possible, go through the file
// text and come back as they were: the name spelt as first set, the value
// last set.
TEST(RegistryDocument, AnyNameAndValueRoundTrips) {
    std::mt19937 random(20240607);
    // Line breaks, quotes, escapes, zero units, case pairs, surrogate pairs
    // and unpaired surrogates.
    std::u16string alphabet = u"aZ09 \t\"\\=@[];-,:\n\r\uD55C\U0001F600\u00E9\u00C9\u0131\uFFFF";
    alphabet += {char16_t(0), char16_t(0xDC00), char16_t(0xD800)};
    auto randomText = [&](size_t maxLength) {
        std::u16string s(random() % (maxLength + 1), u'a');
        for (char16_t& c : s) {
            c = random() % 4 == 0 ? static_cast<char16_t>(random())
                                  : alphabet[random() % alphabet.size()];
        }
        return s;
    };
    auto randomValue = [&] {
        static const uint32_t types[] = {REG_SZ, REG_SZ, REG_DWORD, REG_BINARY,
                                         0,      2,      7,         0xFFFFFFFF};
        RegistryValue v{types[random() % 8],
                        std::vector<uint8_t>(random() % 4 == 0 ? 4 : random() % 200)};
        for (uint8_t& b : v.data) b = static_cast<uint8_t>(random());
        return v;
    };
    for (int round = 0; round < 40; ++round) {
        RegistryDocument doc;
        std::u16string key = kKey.data();
        if (round % 2) {
            std::u16string extra = randomText(12);
            for (char16_t& c : extra) {
                if (c == u'\n' || c == u'\r' || c == 0) c = u'_';
            }
            key += u"\\" + extra;
        }
        ASSERT_TRUE(doc.CreateKey(key, nullptr));
        // folded name -> (spelling, value)
        std::map<std::u16string, std::pair<std::u16string, RegistryValue>> model;
        for (int i = 0; i < 60; ++i) {
            const std::u16string name = randomText(20);
            const RegistryValue value = randomValue();
            std::u16string folded = name;
            for (char16_t& c : folded) c = FoldCase(c);
            auto [it, inserted] = model.try_emplace(folded, name, value);
            if (!inserted) it->second.second = value;
            ASSERT_TRUE(doc.SetValue(key, name, value));
        }
        const std::string text = doc.Serialize();
        RegistryDocument again = Parsed(text);
        ASSERT_TRUE(again.SameContent(doc)) << "round " << round;
        for (const auto& [folded, entry] : model) {
            const RegistryValue* read = again.GetValue(key, entry.first);
            ASSERT_NE(read, nullptr);
            EXPECT_EQ(*read, entry.second);
        }
        EXPECT_EQ(again.Serialize(), text);
    }
}

}  // namespace
}  // namespace inkvista

// The state file's JSON: the layout script-mode tests compare byte for byte.
#include <gtest/gtest.h>

#include "models/Json.h"

namespace inkvista {
namespace {

TEST(Json, ADocumentIsIndentedByFourWithMembersInKeyOrder) {
    JsonValue state;
    state["screenState"] = 2;
    JsonValue& keys = state["hotKeys"] = JsonValue::Array();
    keys.Append(193);
    keys.Append(uint32_t{196});
    state["dialog"] = JsonValue();
    JsonValue& list = state["list"];
    list["rows"] = JsonValue::Array();
    list["headings"].Append("TITLE");
    state["viewer"]["open"] = false;
    state["viewer"]["empty"] = JsonValue::Object();
    state["big"] = int64_t{1} << 40;
    state["negative"] = -5;
    state["B"] = true;
    EXPECT_EQ(state.ToText(),
              "{\n"
              "    \"B\": true,\n"
              "    \"big\": 1099511627776,\n"
              "    \"dialog\": null,\n"
              "    \"hotKeys\": [\n"
              "        193,\n"
              "        196\n"
              "    ],\n"
              "    \"list\": {\n"
              "        \"headings\": [\n"
              "            \"TITLE\"\n"
              "        ],\n"
              "        \"rows\": [\n"
              "        ]\n"
              "    },\n"
              "    \"negative\": -5,\n"
              "    \"screenState\": 2,\n"
              "    \"viewer\": {\n"
              "        \"empty\": {\n"
              "        },\n"
              "        \"open\": false\n"
              "    }\n"
              "}\n");
}

TEST(Json, AMemberStaysWhereItIsWhileOthersAreAdded) {
    JsonValue state;
    JsonValue& viewer = state["viewer"];
    JsonValue& rows = state["list"]["rows"];
    for (int i = 0; i < 100; ++i) state["k" + std::to_string(i)] = i;
    JsonValue& first = rows.Append(1);
    for (int i = 0; i < 100; ++i) rows.Append(i);
    viewer["open"] = true;
    first = 7;
    EXPECT_TRUE(state.Find("viewer")->Find("open")->boolean());
    EXPECT_EQ(state.Find("list")->Find("rows")->items().front().number(), 7);
    EXPECT_EQ(state.Find("list")->Find("rows")->items().size(), 101u);
}

TEST(Json, AMemberWrittenAgainIsReplacedWhereverItWasWritten) {
    JsonValue a;
    a["x"] = 1;
    a["y"] = "first";
    a["y"] = "second";
    JsonValue b;
    b["y"] = "second";
    b["x"] = 1;
    EXPECT_EQ(a.ToText(), b.ToText());
    ASSERT_NE(a.Find("y"), nullptr);
    EXPECT_EQ(a.Find("y")->text(), u"second");
    EXPECT_EQ(a.Find("z"), nullptr);
    EXPECT_EQ(JsonValue(3).Find("x"), nullptr);
}

TEST(Json, StringsAreEscapedOnlyWhereJsonNeedsIt) {
    const std::u16string text = u"a\"b\\c/d\x01\x1f\x7f\b\f\n\r\t \u00e9 \ud55c \u2028 \U0001F600";
    EXPECT_EQ(JsonValue(text).ToText(),
              "\"a\\\"b\\\\c/d\\u0001\\u001f\x7f\\b\\f\\n\\r\\t \xC3\xA9 \xED\x95\x9C "
              "\xE2\x80\xA8 \xF0\x9F\x98\x80\"\n");
    // Text given as UTF-8 is the same text.
    EXPECT_EQ(JsonValue("\xED\x95\x9C").text(), u"\ud55c");
}

TEST(Json, AnUnpairedSurrogateIsWrittenAsItsEscape) {
    const char16_t high = 0xD83D;
    const char16_t low = 0xDE00;
    EXPECT_EQ(JsonValue(std::u16string{high}).ToText(), "\"\\ud83d\"\n");
    EXPECT_EQ(JsonValue(std::u16string{low, high}).ToText(), "\"\\ude00\\ud83d\"\n");
    EXPECT_EQ(JsonValue(std::u16string{high, u'x'}).ToText(), "\"\\ud83dx\"\n");
    EXPECT_EQ(JsonValue(std::u16string{high, low}).ToText(), "\"\xF0\x9F\x98\x80\"\n");
}

TEST(Json, RealNumbersAreWrittenShortestAndReadBack) {
    EXPECT_EQ(JsonValue(0.48828125).ToText(), "0.48828125\n");
    EXPECT_EQ(JsonValue(1000 / 1048576.0).ToText(), "0.00095367431640625\n");
    EXPECT_EQ(JsonValue(2.0).ToText(), "2\n");
    EXPECT_EQ(JsonValue(1e-7).ToText(), "1e-07\n");
    EXPECT_EQ(JsonValue(0.0 / 0.0).ToText(), "null\n");
    EXPECT_DOUBLE_EQ(JsonValue(2.5).real(), 2.5);
    EXPECT_EQ(JsonValue(2.5).number(), 2);
}

}  // namespace
}  // namespace inkvista

// The script language: what each line becomes, and how mistakes are named.
#include <gtest/gtest.h>

#include "app/ScriptParser.h"
#include "platform/Win32.h"

namespace inkvista {
namespace {

const std::filesystem::path kBase = "/scripts/here";

std::vector<ScriptCommand> Parse(std::string_view text) {
    std::vector<ScriptCommand> commands;
    ScriptError error;
    EXPECT_TRUE(ParseScript(text, kBase, &commands, &error)) << error.line << ": " << error.message;
    return commands;
}

ScriptError ParseError(std::string_view text) {
    std::vector<ScriptCommand> commands;
    ScriptError error;
    EXPECT_FALSE(ParseScript(text, kBase, &commands, &error)) << text;
    return error;
}

TEST(ScriptParse, CommentsBlankLinesAndLineNumbers) {
    auto commands = Parse(
        "# heading\n"
        "\n"
        "tap 10 20   # a comment after a command\n"
        "   \t\n"
        "quit\n");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].op, ScriptOp::Tap);
    EXPECT_EQ(commands[0].line, 3);
    EXPECT_EQ(commands[0].x, 10);
    EXPECT_EQ(commands[0].y, 20);
    EXPECT_EQ(commands[1].op, ScriptOp::Quit);
    EXPECT_EQ(commands[1].line, 5);
}

TEST(ScriptParse, WindowsLineEndsAndByteOrderMark) {
    auto commands = Parse("\xEF\xBB\xBFstate a.json\r\nwait 100\r\n");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].op, ScriptOp::State);
    EXPECT_EQ(commands[0].file, kBase / "a.json");
    EXPECT_EQ(commands[1].number, 100);
}

TEST(ScriptParse, StylusCommandsStayOnTheScreen) {
    auto commands = Parse("down 0 0\nmove 239 319\nup 5 6\ndtap 1 2\n");
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].op, ScriptOp::Down);
    EXPECT_EQ(commands[1].op, ScriptOp::Move);
    EXPECT_EQ(commands[1].x, 239);
    EXPECT_EQ(commands[1].y, 319);
    EXPECT_EQ(commands[2].op, ScriptOp::Up);
    EXPECT_EQ(commands[3].op, ScriptOp::DoubleTap);

    EXPECT_EQ(ParseError("tap 240 10").message, "point 240,10 is off the 240x320 screen");
    EXPECT_EQ(ParseError("tap 10 320").line, 1);
    EXPECT_EQ(ParseError("tap -1 3").message, "point -1,3 is off the 240x320 screen");
    EXPECT_EQ(ParseError("tap 1").message, "'tap' needs X Y");
    EXPECT_EQ(ParseError("tap 1 2 3").message, "'tap' needs X Y");
    EXPECT_EQ(ParseError("tap a 2").message, "bad x 'a' for 'tap' (-2147483648 to 2147483647)");
}

TEST(ScriptParse, KeysByNameAndNumber) {
    auto commands = Parse("key left\nkey right\nkey up\nkey down\nkey enter\nkey 0xC5\nkey 65\n");
    ASSERT_EQ(commands.size(), 7u);
    EXPECT_EQ(commands[0].number, VK_LEFT);
    EXPECT_EQ(commands[1].number, VK_RIGHT);
    EXPECT_EQ(commands[2].number, VK_UP);
    EXPECT_EQ(commands[3].number, VK_DOWN);
    EXPECT_EQ(commands[4].number, VK_RETURN);
    EXPECT_EQ(commands[5].number, 0xC5);
    EXPECT_EQ(commands[6].number, 65);
    EXPECT_NE(ParseError("key Left").message.find("bad key 'Left'"), std::string::npos);
    EXPECT_NE(ParseError("key 0").message.find("bad key"), std::string::npos);
    EXPECT_NE(ParseError("key 255").message.find("bad key"), std::string::npos);
}

TEST(ScriptParse, ButtonsWaitsAndAnswers) {
    auto commands = Parse("button 1\nbutton 4\nwait 0\nwait 86400000\nanswer ok\nanswer cancel\n");
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[0].number, 1);
    EXPECT_EQ(commands[1].number, 4);
    EXPECT_EQ(commands[3].number, 86400000);
    EXPECT_TRUE(commands[4].on);
    EXPECT_FALSE(commands[5].on);
    EXPECT_EQ(ParseError("button 0").message, "bad button '0' for 'button' (1 to 4)");
    EXPECT_EQ(ParseError("button 5").message, "bad button '5' for 'button' (1 to 4)");
    EXPECT_EQ(ParseError("wait -5").message, "bad milliseconds '-5' for 'wait' (0 to 86400000)");
    EXPECT_EQ(ParseError("wait 86400001").line, 1);
    EXPECT_EQ(ParseError("answer yes").message, "bad argument 'yes' for 'answer' (ok or cancel)");
    EXPECT_EQ(ParseError("activate now").message, "'activate' takes no arguments");
}

TEST(ScriptParse, TimeSetsAWholeClockTime) {
    auto commands = Parse("time 21:05\ntime 00:00\ntime 23:59\n");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].op, ScriptOp::Time);
    EXPECT_EQ(commands[0].number, 21);
    EXPECT_EQ(commands[0].index, 5);
    EXPECT_EQ(commands[2].number, 23);
    EXPECT_EQ(commands[2].index, 59);
    for (const char* bad : {"24:00", "12:60", "9:05", "09:5", "0905", "ab:cd", "-1:00"}) {
        EXPECT_EQ(ParseError(std::string("time ") + bad).message,
                  std::string("bad time '") + bad + "' for 'time' (HH:MM, 00:00 to 23:59)");
    }
    EXPECT_EQ(ParseError("time").message, "'time' needs HH:MM");
}

TEST(ScriptParse, ControlCommands) {
    auto commands = Parse(
        "click 1005\n"
        "check 1010 on\n"
        "check 1010 off\n"
        "select 1020 3\n"
        "type 1030 secret word  \n"
        "type 1031\n"
        "type 1032 \"  kept # too  \"\n");
    ASSERT_EQ(commands.size(), 7u);
    EXPECT_EQ(commands[0].number, 1005);
    EXPECT_TRUE(commands[1].on);
    EXPECT_FALSE(commands[2].on);
    EXPECT_EQ(commands[3].number, 1020);
    EXPECT_EQ(commands[3].index, 3);
    EXPECT_EQ(commands[4].text, u"secret word");
    EXPECT_EQ(commands[5].text, u"");
    EXPECT_EQ(commands[6].text, u"  kept # too  ");
    EXPECT_EQ(ParseError("click").message, "'click' needs ID");
    EXPECT_EQ(ParseError("check 1 maybe").message, "bad argument 'maybe' for 'check' (on or off)");
    EXPECT_EQ(ParseError("select 1 -1").message, "bad index '-1' for 'select' (0 to 2147483647)");
    EXPECT_EQ(ParseError("click 70000").message, "bad id '70000' for 'click' (0 to 65535)");
}

TEST(ScriptParse, TreePathsKeepBlanksAndBackslashes) {
    auto commands = Parse("expand \\My Documents\\InkVISTA\ncollapse \"\\Storage Card\"\n");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].op, ScriptOp::Expand);
    EXPECT_EQ(commands[0].text, u"\\My Documents\\InkVISTA");
    EXPECT_EQ(commands[1].op, ScriptOp::Collapse);
    EXPECT_EQ(commands[1].text, u"\\Storage Card");
    EXPECT_EQ(ParseError("expand").message, "'expand' needs PATH");
}

TEST(ScriptParse, CardsNameTheLastArgumentTheFolder) {
    auto commands = Parse(
        "card insert Storage Card cards/sd\n"
        "card insert SD \"/media/my card\"\n"
        "card remove Storage Card\n");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].op, ScriptOp::CardInsert);
    EXPECT_EQ(commands[0].text, u"Storage Card");
    EXPECT_EQ(commands[0].file, kBase / "cards/sd");
    EXPECT_EQ(commands[1].text, u"SD");
    EXPECT_EQ(commands[1].file, std::filesystem::path("/media/my card"));
    EXPECT_EQ(commands[2].op, ScriptOp::CardRemove);
    EXPECT_EQ(commands[2].text, u"Storage Card");
    EXPECT_EQ(ParseError("card insert SD").message, "'card insert' needs NAME DIR");
    EXPECT_EQ(ParseError("card eject SD").message,
              "bad argument 'eject' for 'card' (insert or remove)");
    EXPECT_EQ(ParseError("card insert a\\b dir").message, "bad card name 'a\\b'");
    EXPECT_EQ(ParseError("card remove ..").message, "bad card name '..'");
}

TEST(ScriptParse, MountAndUnmountAreCardsWithoutTheMessage) {
    auto commands = Parse(
        "card mount Storage Card2 cards/cf\n"
        "card unmount Storage Card2\n"
        "card insert SD cards/sd\n");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].op, ScriptOp::CardInsert);
    EXPECT_EQ(commands[0].text, u"Storage Card2");
    EXPECT_EQ(commands[0].file, kBase / "cards/cf");
    EXPECT_TRUE(commands[0].quiet);
    EXPECT_EQ(commands[1].op, ScriptOp::CardRemove);
    EXPECT_EQ(commands[1].text, u"Storage Card2");
    EXPECT_TRUE(commands[1].quiet);
    EXPECT_FALSE(commands[2].quiet);
    EXPECT_EQ(ParseError("card mount SD").message, "'card insert' needs NAME DIR");
    EXPECT_EQ(ParseError("card unmount My Documents").message, "bad card name 'My Documents'");
}

TEST(ScriptParse, OutputFilesAreRelativeToTheScript) {
    auto commands = Parse("shot out/a.PNG\nstate /tmp/s.json\n");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].file, kBase / "out/a.PNG");
    EXPECT_EQ(commands[1].file, std::filesystem::path("/tmp/s.json"));
    EXPECT_EQ(ParseError("shot a.jpg").message, "shot writes a PNG: 'a.jpg' does not end in .png");
    EXPECT_EQ(ParseError("state").message, "'state' needs FILE");
}

TEST(ScriptParse, OpenTakesSlotAndPage) {
    auto commands = Parse("open a.cmb\nopen \"long name.cxb\" 2 14\n");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].text, u"a.cmb");
    EXPECT_EQ(commands[0].number, 1);
    EXPECT_EQ(commands[0].index, 0);
    EXPECT_EQ(commands[1].text, u"long name.cxb");
    EXPECT_EQ(commands[1].number, 2);
    EXPECT_EQ(commands[1].index, 14);
    EXPECT_EQ(ParseError("open a.cmb 6").message, "bad slot '6' for 'open' (1 to 5)");
    EXPECT_EQ(ParseError("open \"\"").message, "open needs a book file name");
    EXPECT_EQ(ParseError("close 1").message, "'close' takes no arguments");
}

TEST(ScriptParse, MistakesNameTheirLine) {
    ScriptError error = ParseError("tap 1 1\n\n# fine so far\nfrobnicate 1 2\nquit\n");
    EXPECT_EQ(error.line, 4);
    EXPECT_EQ(error.message, "unknown command 'frobnicate'");
    EXPECT_EQ(FormatScriptError("script.txt", error), "script.txt:4: unknown command 'frobnicate'");
    // Commands are lower case, as documented.
    EXPECT_EQ(ParseError("Tap 1 1").message, "unknown command 'Tap'");
    EXPECT_EQ(ParseError("type 1 \"open").message, "unclosed quote");
}

}  // namespace
}  // namespace inkvista

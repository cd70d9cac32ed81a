// The pages' input rules, column widths, protocol mapping, open-file dialog result, header-click
// changes and what the pages say when the firewall refuses a change.
#include "pages/page_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using namespace page_rules;

TEST(LeadingInteger, ReadsTheNumberAtTheStartOfTheText) {
    EXPECT_EQ(LeadingInteger("80"), 80);
    EXPECT_EQ(LeadingInteger("   80"), 80);
    EXPECT_EQ(LeadingInteger("\t 443"), 443);
    EXPECT_EQ(LeadingInteger("80abc"), 80);
    EXPECT_EQ(LeadingInteger("80 "), 80); // the form the firewall listing gives
    EXPECT_EQ(LeadingInteger("+21"), 21);
    EXPECT_EQ(LeadingInteger("-5"), -5);
    EXPECT_EQ(LeadingInteger("0080"), 80);
}

TEST(LeadingInteger, GivesZeroWithoutDigits) {
    EXPECT_EQ(LeadingInteger(""), 0);
    EXPECT_EQ(LeadingInteger("abc"), 0);
    EXPECT_EQ(LeadingInteger("   "), 0);
    EXPECT_EQ(LeadingInteger("-"), 0);
    EXPECT_EQ(LeadingInteger("a80"), 0);
    EXPECT_EQ(LeadingInteger("- 5"), 0);
}

TEST(LeadingInteger, HoldsHugeNumbersAtTheLimitInsteadOfWrappingRound) {
    EXPECT_EQ(LeadingInteger("2147483647"), INT_MAX);
    EXPECT_EQ(LeadingInteger("2147483648"), INT_MAX);
    // 2^32 + 80 would wrap round to port 80 in 32 bits.
    EXPECT_EQ(LeadingInteger("4294967376"), INT_MAX);
    EXPECT_EQ(LeadingInteger("99999999999999999999999999"), INT_MAX);
    EXPECT_EQ(LeadingInteger("-2147483648"), INT_MIN);
    EXPECT_EQ(LeadingInteger("-99999999999999999999"), INT_MIN);
}

TEST(PortInput, AsksForTheNumberFirstThenTheName) {
    for (const char* bad : {"0", "-5", "abc", ""})
        EXPECT_STREQ(CheckPortInput("Web", bad), kPortNumberMessage) << '"' << bad << '"';
    // A bad number and an empty name together: only the number message.
    EXPECT_STREQ(CheckPortInput("", "0"), kPortNumberMessage);
    EXPECT_STREQ(CheckPortInput("", "8080"), kPortNameMessage);
    EXPECT_EQ(CheckPortInput("Web", "1"), nullptr);
    EXPECT_EQ(CheckPortInput("Web", "  80"), nullptr);
    EXPECT_EQ(CheckPortInput("Web", "80x"), nullptr);
    // No upper bound on the page; the firewall decides.
    EXPECT_EQ(CheckPortInput("Web", "70000"), nullptr);
}

TEST(ProgramInput, AsksForTheProgramFirstThenTheName) {
    EXPECT_STREQ(CheckProgramInput("", "Editor"), kProgramPathMessage);
    EXPECT_STREQ(CheckProgramInput("", ""), kProgramPathMessage);
    EXPECT_STREQ(CheckProgramInput("C:\\editor.exe", ""), kProgramNameMessage);
    EXPECT_EQ(CheckProgramInput("C:\\editor.exe", "Editor"), nullptr);
}

TEST(Protocol, OnlyExactTcpIsTcp) {
    EXPECT_EQ(ProtocolNumber("TCP"), kProtocolTcp);
    EXPECT_EQ(ProtocolNumber("UDP"), kProtocolUdp);
    EXPECT_EQ(ProtocolNumber("tcp"), kProtocolUdp);
    EXPECT_EQ(ProtocolNumber("TCP "), kProtocolUdp);
    EXPECT_EQ(ProtocolNumber(""), kProtocolUdp);
    EXPECT_STREQ(ProtocolText(kChoiceTcp), "TCP");
    EXPECT_STREQ(ProtocolText(kChoiceUdp), "UDP");
    EXPECT_EQ(ProtocolNumberOfChoice(kChoiceTcp), 6);
    EXPECT_EQ(ProtocolNumberOfChoice(kChoiceUdp), 17);
}

TEST(ColumnWidths, PortsTruncateEveryHalving) {
    // 507 pixels: W = 50.
    EXPECT_EQ(PortColumnWidths(507), (std::array<int, 5>{75, 175, 100, 74, 75}));
    // 519 pixels: W = 51, so the halvings of 153 and 357 lose their half pixel.
    EXPECT_EQ(PortColumnWidths(519), (std::array<int, 5>{76, 178, 102, 75, 76}));
    EXPECT_EQ(PortColumnWidths(9), (std::array<int, 5>{0, 0, 0, -1, 0}));
}

TEST(ColumnWidths, Programs) {
    // 503 pixels: W = 100.
    EXPECT_EQ(ProgramColumnWidths(503), (std::array<int, 4>{68, 110, 78, 240}));
    // W = 101: W/2 and 5W/2 truncate.
    EXPECT_EQ(ProgramColumnWidths(505), (std::array<int, 4>{69, 111, 78, 242}));
}

TEST(HeaderClick, SwitchesOnlyTheBoxesThatChanged) {
    // Ticking all: the clear rows are switched on (flag 0).
    auto changes = ChangedBoxes({1, 0, 1, 0}, {1, 1, 1, 1});
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].row, 1);
    EXPECT_EQ(changes[0].toggleFlag, 0);
    EXPECT_EQ(changes[1].row, 3);
    EXPECT_EQ(changes[1].toggleFlag, 0);
    // Clearing all: every ticked row is switched off (flag 1).
    changes = ChangedBoxes({1, 1, 0}, {0, 0, 0});
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].row, 0);
    EXPECT_EQ(changes[0].toggleFlag, 1);
    EXPECT_EQ(changes[1].row, 1);
    EXPECT_TRUE(ChangedBoxes({1, 1}, {1, 1}).empty());
}

TEST(HeaderClick, IgnoresRowsWithoutABoxAndRowsThatCameOrWent) {
    EXPECT_TRUE(ChangedBoxes({-1, 1}, {1, 1}).empty());
    EXPECT_TRUE(ChangedBoxes({0, 0}, {-1, -1}).empty());
    auto changes = ChangedBoxes({0}, {1, 1, 1});
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].row, 0);
    EXPECT_TRUE(ChangedBoxes({}, {}).empty());
}

std::string Buffer(const char* text, std::size_t length) {
    return std::string(text, length);
}

TEST(ChosenFile, OneFileIsItsFullPath) {
    const std::string one = Buffer("C:\\Tools\\editor.exe\0\0", 21);
    EXPECT_EQ(ChosenFilePath(one.data(), one.size()), "C:\\Tools\\editor.exe");
}

TEST(ChosenFile, SeveralFilesGiveTheFirstFileNotTheFolder) {
    const std::string several = Buffer("C:\\Tools\0editor.exe\0viewer.exe\0\0", 32);
    EXPECT_EQ(ChosenFilePath(several.data(), several.size()), "C:\\Tools\\editor.exe");
    const std::string root = Buffer("C:\\\0a.exe\0b.exe\0\0", 17);
    EXPECT_EQ(ChosenFilePath(root.data(), root.size()), "C:\\a.exe");
}

TEST(ChosenFile, StaysInsideTheBuffer) {
    EXPECT_EQ(ChosenFilePath(nullptr, 10), "");
    EXPECT_EQ(ChosenFilePath("abc", 0), "");
    // No terminator within the size: only what the buffer holds.
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(ChosenFilePath(unterminated, sizeof unterminated), "abcd");
    const char cut[6] = {'C', ':', '\0', 'x', '.', 'e'};
    EXPECT_EQ(ChosenFilePath(cut, sizeof cut), "C:\\x.e");
}

TEST(FileDialogFilter, TurnsBarsIntoTerminators) {
    EXPECT_EQ(FileDialogFilter("All Files (*.*)|*.*||"), Buffer("All Files (*.*)\0*.*\0\0\0", 23));
    const std::string filter = FileDialogFilter("All Files (*.*)|*.*||");
    // The dialog reads up to the first double NUL: one entry.
    EXPECT_STREQ(filter.c_str(), "All Files (*.*)");
    EXPECT_STREQ(filter.c_str() + 16, "*.*");
    EXPECT_EQ(filter[20], '\0');
}

} // namespace

TEST(Refusal, SaysWhyTheChangeWasNotMade) {
    using page_rules::RefusalMessage;
    using page_rules::Refused;
    const std::int32_t invalidArgument = static_cast<std::int32_t>(0x80070057u);
    // Rights come first, then a missing firewall, then input the firewall could not take.
    EXPECT_EQ(RefusalMessage(Refused::AddPort, 14, page_rules::kAccessDenied),
              "The port was not added: changing the firewall needs administrator rights.");
    EXPECT_EQ(RefusalMessage(Refused::SwitchProgram, 1, 0),
              "The program was not switched: the firewall cannot be reached.");
    EXPECT_EQ(RefusalMessage(Refused::AddPort, 20, invalidArgument),
              "The port was not added: the port number must be from 1 to 65535.");
    EXPECT_EQ(RefusalMessage(Refused::AddPort, 11, 0), "The port was not added: the port's name is empty.");
    EXPECT_EQ(RefusalMessage(Refused::AddProgram, 11, 0),
              "The program was not added: the program's path or name is empty.");
    EXPECT_EQ(RefusalMessage(Refused::RemoveProgram, 11, 0),
              "The program was not removed: the program's path is empty.");
    // Anything else the firewall refused, for reasons of its own.
    EXPECT_EQ(RefusalMessage(Refused::AddPort, 14, invalidArgument),
              "The port was not added: the firewall refused the change.");
    EXPECT_EQ(RefusalMessage(Refused::RemovePort, 15, static_cast<std::int32_t>(0x80070570u)),
              "The port was not removed: the firewall refused the change.");
}

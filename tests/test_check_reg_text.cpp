// Registry data as text, at the edges of the checks' 2048-byte buffers.
#include "platform/ovraRegText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using ovra::kRegTextSize;
using ovra::RegText;

namespace {

struct Buffers {
    char data[kRegTextSize];
    char expanded[kRegTextSize];
    DWORD Fill(const std::string& text, bool withEnd)
    {
        std::memcpy(data, text.data(), text.size());
        if (withEnd)
            data[text.size()] = '\0';
        return static_cast<DWORD>(text.size() + (withEnd ? 1 : 0));
    }
};

} // namespace

const auto kUser = ovra::RegText::Owner::kUser;

TEST(RegText, StringDataTakesOnlyWholeStrings)
{
    Buffers b;
    const std::string full(kRegTextSize - 1, 'a');
    const DWORD fullLength = b.Fill(full, true);
    ASSERT_NE(RegText::StringData(REG_SZ, b.data, fullLength, b.expanded, kUser), nullptr);
    EXPECT_EQ(RegText::StringData(REG_SZ, b.data, fullLength, b.expanded, kUser), full);

    // Stored without its end: given one where there is room, refused where not.
    const DWORD shortLength = b.Fill("C:\\x.dll", false);
    EXPECT_STREQ(RegText::StringData(REG_SZ, b.data, shortLength, b.expanded, kUser), "C:\\x.dll");
    const DWORD noRoom = b.Fill(std::string(kRegTextSize, 'a'), false);
    EXPECT_EQ(RegText::StringData(REG_SZ, b.data, noRoom, b.expanded, kUser), nullptr);

    for (DWORD type : {REG_NONE, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_LINK, REG_QWORD}) {
        const DWORD length = b.Fill("C:\\x.dll", true);
        EXPECT_EQ(RegText::StringData(type, b.data, length, b.expanded, kUser), nullptr) << type;
    }
}

TEST(RegText, AnExpansionThatDoesNotFitIsNeverTaken)
{
    Buffers b;
    // The system writes the part that fits; that cut path must not be judged.
    SetEnvironmentVariableA("OVRA_EXPANSION", std::string(kRegTextSize - 1, 'e').c_str());
    DWORD length = b.Fill("%OVRA_EXPANSION%", true);
    EXPECT_EQ(RegText::StringData(REG_EXPAND_SZ, b.data, length, b.expanded, kUser),
              std::string(kRegTextSize - 1, 'e'));

    SetEnvironmentVariableA("OVRA_EXPANSION", std::string(kRegTextSize - 2, 'e').c_str());
    length = b.Fill("%OVRA_EXPANSION%\\x", true);
    EXPECT_EQ(RegText::StringData(REG_EXPAND_SZ, b.data, length, b.expanded, kUser), nullptr);
    SetEnvironmentVariableA("OVRA_EXPANSION", nullptr);

    length = b.Fill("%SystemDrive%\\x.dll", true);
    EXPECT_STREQ(RegText::StringData(REG_EXPAND_SZ, b.data, length, b.expanded, kUser), "C:\\x.dll");
}

TEST(RegText, PathsThatDoNotFitAreRefusedAndDisplaysAreCut)
{
    char path[kRegTextSize];
    EXPECT_TRUE(RegText::Compose(path, "%s\\%s", std::string(kRegTextSize - 3, 'p').c_str(), "q"));
    EXPECT_EQ(std::strlen(path), kRegTextSize - 1);
    EXPECT_FALSE(RegText::Compose(path, "%s\\%s", std::string(kRegTextSize - 2, 'p').c_str(), "q"));

    const std::string name(1500, 'n'), data(1500, 'd');
    const std::string shown = RegText::Display("%s = %s", name.c_str(), data.c_str());
    EXPECT_EQ(shown, (name + " = " + data).substr(0, kRegTextSize - 1));
    EXPECT_EQ(RegText::Display("(Default) = %s", "C:\\x.dll"), "(Default) = C:\\x.dll");
}

// The footer button under real mouse messages: what it sends, how it looks
// (its face compared with the bitmap resources pixel for pixel) and the
// capture it holds.
#include "platform/ovraInstance.h"
#include "ovraTestCapture.h"
#include "ovraTestWindow.h"
#include "ui/ovraButton.h"
#include "ui/ovraGdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int kFacePressed = 102;
const int kFaceNormal = 103;
const int kFaceDisabled = 108;
const POINT kProbe = {5, 18}; // on the face, left of any short caption

COLORREF FacePixel(int id)
{
    ovra::WindowDC screen(nullptr);
    ovra::MemoryDC memory(screen.Get());
    ovra::GdiBitmap face(LoadBitmapA(g_hInstance, MAKEINTRESOURCEA(id)));
    ovra::SelectGuard selected(memory.Get(), face.Get());
    return GetPixel(memory.Get(), kProbe.x, kProbe.y);
}

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ShowWindow(parent.Get(), SW_SHOWNOACTIVATE);
        button.Create(parent.Get(), 40, 40);
        button.Enable("Next >", 1005);
        ovratest::PumpPending();
    }

    POINT Screen(int x, int y) const
    {
        POINT pt = {x, y};
        ClientToScreen(button.m_hWndButton, &pt);
        return pt;
    }
    // Puts the pointer at a point of the button's client area (outside it
    // too) and tells the button, as the system would while it holds the mouse.
    void Move(int x, int y)
    {
        const POINT pt = Screen(x, y);
        SetCursorPos(pt.x, pt.y);
        SendMessageA(button.m_hWndButton, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
    }
    void Press(int x = 50, int y = 18)
    {
        const POINT pt = Screen(x, y);
        SetCursorPos(pt.x, pt.y);
        SendMessageA(button.m_hWndButton, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    }
    void Release(int x, int y) { SendMessageA(button.m_hWndButton, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    // What the button shows now, after painting only what it invalidated
    // itself: a state change it forgets to repaint shows as the old look.
    COLORREF Look()
    {
        UpdateWindow(button.m_hWndButton);
        ovra::WindowDC dc(button.m_hWndButton);
        return GetPixel(dc.Get(), kProbe.x, kProbe.y);
    }

    ovratest::CommandWindow parent;
    ovra::Button button;
};

TEST_F(ButtonTest, PressDragOffAndBackThenReleaseSendsOnceAndTheLookFollows)
{
    ASSERT_NE(FacePixel(kFacePressed), FacePixel(kFaceNormal));
    EXPECT_EQ(Look(), FacePixel(kFaceNormal));

    Press();
    EXPECT_EQ(GetCapture(), button.m_hWndButton);
    EXPECT_EQ(Look(), FacePixel(kFacePressed));

    Move(300, 200);
    EXPECT_FALSE(button.m_bInside);
    EXPECT_EQ(Look(), FacePixel(kFaceNormal));

    Move(60, 20);
    EXPECT_TRUE(button.m_bInside);
    EXPECT_EQ(Look(), FacePixel(kFacePressed));

    Release(60, 20);
    EXPECT_EQ(parent.commands, std::vector<unsigned>{1005});
    EXPECT_NE(GetCapture(), button.m_hWndButton);
    EXPECT_FALSE(button.m_bPressed);
    EXPECT_EQ(Look(), FacePixel(kFaceNormal));

    // A second release without a press is ignored.
    Release(60, 20);
    EXPECT_EQ(parent.commands.size(), 1u);
}

TEST_F(ButtonTest, ReleasedOutsideSendsNothing)
{
    Press();
    Move(-20, 18); // just left of the button
    Release(-20, 18);
    EXPECT_TRUE(parent.commands.empty());
    EXPECT_NE(GetCapture(), button.m_hWndButton);
    EXPECT_EQ(Look(), FacePixel(kFaceNormal));

    // The right and bottom edges are outside as well.
    Press();
    Move(ovra::Button::kWidth, ovra::Button::kHeight);
    EXPECT_FALSE(button.m_bInside);
    Move(ovra::Button::kWidth - 1, ovra::Button::kHeight - 1);
    EXPECT_TRUE(button.m_bInside);
    Release(ovra::Button::kWidth - 1, ovra::Button::kHeight - 1);
    EXPECT_EQ(parent.commands, std::vector<unsigned>{1005});
}

TEST_F(ButtonTest, PressIsForgottenWhenAnotherWindowTakesTheMouse)
{
    Press();
    SetCapture(parent.Get()); // as when the user switches to another program
    EXPECT_FALSE(button.m_bPressed);
    EXPECT_EQ(Look(), FacePixel(kFaceNormal));
    ReleaseCapture();
    Release(50, 18);
    EXPECT_TRUE(parent.commands.empty());

    // The next press is a press again, not ignored as a second one.
    Press();
    EXPECT_EQ(GetCapture(), button.m_hWndButton);
    Release(50, 18);
    EXPECT_EQ(parent.commands, std::vector<unsigned>{1005});
}

TEST_F(ButtonTest, HandlerThatDisablesTheButtonLeavesItDisabledUnpressedAndFree)
{
    parent.onCommand = [this](unsigned) { button.Disable("Working"); };
    Press();
    Release(50, 18);

    EXPECT_EQ(parent.commands, std::vector<unsigned>{1005});
    EXPECT_FALSE(IsWindowEnabled(button.m_hWndButton));
    EXPECT_FALSE(button.m_bPressed);
    EXPECT_FALSE(button.m_bInside);
    EXPECT_EQ(button.m_nCommand, 0u);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Look(), FacePixel(kFaceDisabled));

    // And a handler that re-enables it with a new command leaves it idle.
    button.Enable("Next >", 1001);
    parent.onCommand = [this](unsigned) { button.Enable("Repair", 1006); };
    Press();
    Release(50, 18);
    EXPECT_EQ(parent.commands, (std::vector<unsigned>{1005, 1001}));
    EXPECT_EQ(button.m_nCommand, 1006u);
    EXPECT_FALSE(button.m_bPressed);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ButtonTest, DisabledButtonIgnoresClicksAndShowsItsGreyFace)
{
    button.Disable("< Back");
    ovratest::PumpPending();

    // A real click from the pointer: the system does not give it to the
    // disabled button.
    const POINT pt = Screen(50, 18);
    SetCursorPos(pt.x, pt.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, input, sizeof(INPUT)), 2u);
    ovratest::PumpPending();
    // And one a program sends straight to it.
    Press();
    Release(50, 18);

    EXPECT_TRUE(parent.commands.empty());
    EXPECT_FALSE(button.m_bPressed);
    EXPECT_NE(GetCapture(), button.m_hWndButton);
    const ovratest::ClientPixels face(button.m_hWndButton);
    EXPECT_EQ(face.At(kProbe.x, kProbe.y), FacePixel(kFaceDisabled));
    const RECT caption = {0, 0, ovra::Button::kWidth, ovra::Button::kHeight};
    EXPECT_TRUE(face.Contains(caption, RGB(204, 204, 204))) << "the caption in light grey";
}

TEST_F(ButtonTest, CaptionIsCutTo127Characters)
{
    // Captions that differ only after their 127th character look the same;
    // one character fewer shifts the centred text and looks different.
    std::string first127;
    for (int i = 0; i < 127; ++i)
        first127 += static_cast<char>('a' + i % 26);
    auto shown = [this](const std::string& caption) {
        button.Enable(caption.c_str(), 1005);
        return ovratest::ClientPixels(button.m_hWndButton);
    };
    const ovratest::ClientPixels exact = shown(first127);
    EXPECT_TRUE(shown(first127 + std::string(200, 'W')) == exact);
    EXPECT_FALSE(shown(first127.substr(0, 126)) == exact);
    EXPECT_FALSE(shown(first127.substr(1)) == exact);
}

} // namespace

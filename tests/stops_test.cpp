// Button images and the stop panel: BMP loading and refusal, the labelled
// draw, the fatal missing-image path, layout, painting and presses, checked
// on the headless window surface.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "display/keyboard.h"
#include "shell/app_state.h"
#include "stops/button_image.h"
#include "stops/stop_panel.h"
#include "support/fixtures.h"
#include "window_pixels.h"

namespace {

using window_pixels::Box;
using window_pixels::boxOf;
using window_pixels::countOf;
using window_pixels::freshPaint;
using window_pixels::isColor;
using window_pixels::pixel;

constexpr int black = 0, red = 4, grey = 7, white = 15;
constexpr std::uint32_t onRgb = 0xC08020;   // 0x00RRGGBB as the BMP stores it
constexpr std::uint32_t offRgb = 0x404040;

platform::Color asColor(std::uint32_t rgb) { return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF); }

void put(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value, int size = 4)
{
    if (bytes.size() < offset + size) bytes.resize(offset + size);
    for (int i = 0; i < size; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A bottom-up BMP of 16 (5-5-5), 24 or 32 bits; rgbAt(x, y) counts y from the top.
std::vector<std::uint8_t> bmpFile(int width, int height, int bits, const std::function<std::uint32_t(int, int)>& rgbAt)
{
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    std::vector<std::uint8_t> bytes(54 + rowBytes * height, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    put(bytes, 10, 54);
    put(bytes, 14, 40);
    put(bytes, 18, static_cast<std::uint32_t>(width));
    put(bytes, 22, static_cast<std::uint32_t>(height));
    put(bytes, 26, 1, 2);
    put(bytes, 28, static_cast<std::uint32_t>(bits), 2);
    put(bytes, 34, static_cast<std::uint32_t>(rowBytes * height));
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = rgbAt(x, height - 1 - row);
            const std::size_t at = 54 + row * rowBytes + static_cast<std::size_t>(x) * (bits / 8);
            if (bits == 16)
                put(bytes, at, ((rgb >> 19) & 31) << 10 | ((rgb >> 11) & 31) << 5 | ((rgb >> 3) & 31), 2);
            else
                put(bytes, at, rgb, bits / 8);
        }
    return bytes;
}

std::vector<std::uint8_t> plainBmp(int width, int height, std::uint32_t rgb, int bits = 24)
{
    return bmpFile(width, height, bits, [rgb](int, int) { return rgb; });
}

int loadBytes(ButtonImage& image, const std::vector<std::uint8_t>& bytes)
{
    fixtures::writeFile(std::filesystem::current_path() / "image.bmp", bytes);
    return image.load("image.bmp");
}

TEST(ButtonImage, LogicalSizeIsHalfTheWidthAndFiveEighthsTheHeight)
{
    fixtures::OrganDirectory organ;
    ButtonImage image;
    EXPECT_EQ(loadBytes(image, plainBmp(100, 64, onRgb)), 1);
    EXPECT_EQ(image.width, 50);
    EXPECT_EQ(image.height, 40);
    EXPECT_EQ(image.rect.left, 0);
    EXPECT_EQ(image.rect.right, 50);
    EXPECT_EQ(image.rect.top, 0);
    EXPECT_EQ(image.rect.bottom, 40);
    EXPECT_EQ(image.pixelBytes, 300u * 64);

    EXPECT_EQ(loadBytes(image, plainBmp(101, 63, onRgb)), 1);
    EXPECT_EQ(image.width, 50);
    EXPECT_EQ(image.height, 39);
}

TEST(ButtonImage, DrawBlitsAtTheRectangleAndCentresTheLabelBelowTheCentre)
{
    fixtures::OrganDirectory organ;
    ButtonImage image;
    loadBytes(image, plainBmp(100, 64, onRgb));
    image.rect = {10, 60, 30, 70};
    std::strcpy(image.label, "Montre");
    freshPaint(grey);
    image.draw();

    const platform::Color picture = asColor(onRgb);
    EXPECT_EQ(pixel(20, 48), picture);
    EXPECT_EQ(pixel(119, 48), picture);
    EXPECT_EQ(pixel(20, 100), picture);
    EXPECT_TRUE(isColor(19, 48, grey));
    EXPECT_TRUE(isColor(20, 47, grey));
    EXPECT_TRUE(isColor(120, 60, grey));

    const Box label = boxOf(white);
    EXPECT_NEAR((label.left + label.right) / 2.0, 70, 1);
    EXPECT_LT(label.top, 112);
    EXPECT_GT(label.bottom, 112);
    EXPECT_LE(label.bottom, 112 + 4);
    EXPECT_GT(countOf(black, label), 10);
}

TEST(ButtonImage, RowsAreBottomUpInEveryDepth)
{
    fixtures::OrganDirectory organ;
    for (int bits : {16, 24, 32}) {
        ButtonImage image;
        const auto twoBands = [](int, int y) { return y < 8 ? 0xFF0000u : 0x0000FFu; };
        ASSERT_EQ(loadBytes(image, bmpFile(21, 16, bits, twoBands)), 1) << bits;
        freshPaint(grey);
        image.blit(50, 50);
        EXPECT_EQ(pixel(100, 80), asColor(0xFF0000)) << bits;
        EXPECT_EQ(pixel(120, 95), asColor(0x0000FF)) << bits;
        EXPECT_TRUE(isColor(121, 95, grey)) << bits;
        EXPECT_TRUE(isColor(120, 96, grey)) << bits;
    }
}

TEST(ButtonImage, FilesOutsideTheSupportedFormAreRefusedAndTheOldPictureStays)
{
    fixtures::OrganDirectory organ;
    ButtonImage image;
    ASSERT_EQ(loadBytes(image, plainBmp(100, 64, onRgb)), 1);
    const std::uint8_t* picture = image.pixels.get();

    const std::vector<std::uint8_t> good = plainBmp(40, 16, offRgb);
    const auto variant = [&](std::size_t offset, std::uint32_t value, int size = 4) {
        std::vector<std::uint8_t> bytes = good;
        put(bytes, offset, value, size);
        return bytes;
    };
    std::vector<std::uint8_t> truncated = good;
    truncated.resize(good.size() - 1);
    std::vector<std::uint8_t> headerOnly = good;
    headerOnly.resize(30);

    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> refused = {
        {"MB", variant(0, 'M' | 'B' << 8, 2)},
        {"BA", variant(0, 'B' | 'A' << 8, 2)},
        {"compressed", variant(30, 3)},
        {"colour table", variant(46, 256)},
        {"pixels elsewhere", variant(10, 54 + 1024)},
        {"larger header", variant(14, 108)},
        {"top-down", variant(22, static_cast<std::uint32_t>(-16))},
        {"zero width", variant(18, 0)},
        {"8 bits", variant(28, 8, 2)},
        {"zero image size", variant(34, 0)},
        {"image size past the rows", variant(34, 120 * 16 + 4)},
        {"image size short of the rows", variant(34, 120 * 15)},
        {"file shorter than its header says", truncated},
        {"file shorter than its headers", headerOnly},
        {"empty file", {}},
    };
    for (const auto& [name, bytes] : refused) {
        EXPECT_EQ(loadBytes(image, bytes), 0) << name;
        EXPECT_EQ(image.pixels.get(), picture) << name;
        EXPECT_EQ(image.width, 50) << name;
        EXPECT_EQ(image.height, 40) << name;
        EXPECT_EQ(image.rect.right, 50) << name;
        EXPECT_EQ(image.pixelBytes, 300u * 64) << name;
    }
    EXPECT_EQ(loadBytes(image, good), 1);
}

TEST(ButtonImage, WithoutAPictureOnlyTheLabelIsDrawn)
{
    ButtonImage image;
    image.rect = {10, 60, 30, 70};
    freshPaint(grey);
    image.draw();
    EXPECT_EQ(countOf(grey), screenWidth * screenHeight);

    std::strcpy(image.label, "Bourdon");
    image.draw();
    const Box label = boxOf(white);
    EXPECT_NEAR((label.left + label.right) / 2.0, 20, 1);
    EXPECT_LT(label.top, 80);
    EXPECT_GT(label.bottom, 80);
    EXPECT_EQ(countOf(grey) + countOf(white, label) + countOf(black, label), screenWidth * screenHeight);
}

MATCHER(missingImageMessage, "")
{
    return arg.find("messagebox  Boutons introuvables|Erreur R\xE9pertoire boutons\nClicker sur OK pour terminer") !=
           std::string::npos;
}

TEST(ButtonImageDeathTest, AMissingImageEndsWith988AfterTheMessage)
{
    fixtures::OrganDirectory organ;
    EXPECT_EXIT(onImage.load(onImagePath), testing::ExitedWithCode(988 & 0xFF), missingImageMessage());

    fixtures::writeFile(organ.brimwell / "boutons" / "on.bmp", plainBmp(100, 64, onRgb));
    organBank.stopCount = 0;
    EXPECT_EXIT(layoutStops(), testing::ExitedWithCode(988 & 0xFF), missingImageMessage());
}

class StopPanel : public testing::Test {
protected:
    void SetUp() override
    {
        fixtures::writeFile(organ.brimwell / "boutons" / "on.bmp", plainBmp(100, 64, onRgb));
        fixtures::writeFile(organ.brimwell / "boutons" / "of.bmp", plainBmp(100, 64, offRgb));
        setStops({"Montre 8", "Bourdon 8", "Prestant 4", "Flute 4", "Doublette 2", "Cornet V", "Trompette 8"});
        organBank.currentStop = 0;
        mouseDown = 1;
        freshPaint(grey);
    }

    static void setStops(const std::vector<std::string>& names)
    {
        organBank.stopCount = static_cast<std::int32_t>(names.size());
        for (std::size_t j = 0; j < names.size(); ++j)
            std::snprintf(organBank.stops[j].name, stopNameCapacity, "%s", names[j].c_str());
    }

    static void press(int x, int y)
    {
        mousePoint = {x, y};
        clickStops();
    }

    // The device pixel at the top-left corner of button j's picture.
    static platform::Color buttonCorner(int j)
    {
        return pixel(toDeviceX(organBank.stops[j].rect.left), toDeviceY(organBank.stops[j].rect.top));
    }

    static int stopsOn()
    {
        int on = 0;
        for (int j = 0; j < organBank.stopCount; ++j) on += organBank.stops[j].on;
        return on;
    }

    fixtures::OrganDirectory organ;
};

TEST_F(StopPanel, LayoutPutsOneTouchingRowOfButtonsAllOff)
{
    setStops(std::vector<std::string>(14, "Montre"));
    organBank.stops[3].on = 1;
    organBank.currentStop = 3;
    layoutStops();
    for (int j = 0; j < 14; ++j) {
        const LogicalRect& rect = organBank.stops[j].rect;
        EXPECT_EQ(rect.left, 10 + 50 * j);
        EXPECT_EQ(rect.right, 60 + 50 * j);
        EXPECT_EQ(rect.top, 30);
        EXPECT_EQ(rect.bottom, 70);
    }
    EXPECT_EQ(stopsOn(), 0);
    EXPECT_EQ(organBank.currentStop, 3);
}

TEST_F(StopPanel, AStopThatIsNotABmpKeepsTheEarlierPictureSize)
{
    layoutStops();
    fixtures::writeFile(organ.brimwell / "boutons" / "on.bmp", {'M', 'B', 0, 0});
    layoutStops();
    EXPECT_EQ(organBank.stops[1].rect.left, 60);
    EXPECT_EQ(organBank.stops[1].rect.bottom, 70);
}

TEST_F(StopPanel, SwitchingOffLeavesTheCurrentStop)
{
    layoutStops();
    press(135, 50);
    press(285, 50);
    press(285, 50);
    EXPECT_EQ(organBank.stops[2].on, 1);
    EXPECT_EQ(stopsOn(), 1);
    EXPECT_EQ(organBank.currentStop, 5);
    EXPECT_EQ(buttonCorner(2), asColor(onRgb));
    EXPECT_EQ(buttonCorner(5), asColor(offRgb));
}

TEST_F(StopPanel, APressRedrawsOnlyThatButton)
{
    layoutStops();
    press(85, 50);
    EXPECT_EQ(buttonCorner(1), asColor(onRgb));
    EXPECT_TRUE(isColor(toDeviceX(organBank.stops[0].rect.left), 48, grey));
    EXPECT_TRUE(isColor(toDeviceX(organBank.stops[2].rect.left), 48, grey));
    EXPECT_EQ(organBank.currentStop, 1);
}

TEST_F(StopPanel, PaintingShowsEachStopsStateAndName)
{
    layoutStops();
    press(135, 50);
    freshPaint(grey);
    paintStops();
    for (int j = 0; j < organBank.stopCount; ++j)
        EXPECT_EQ(buttonCorner(j), asColor(j == 2 ? onRgb : offRgb)) << j;

    setStops({"8", "Voix humaine"});
    freshPaint(grey);
    paintStops();
    const Box shortLabel = boxOf(white, {0, 48, 120, 120});
    const Box longLabel = boxOf(white, {120, 48, 220, 120});
    EXPECT_NEAR((shortLabel.left + shortLabel.right) / 2.0, 70, 1);
    EXPECT_NEAR((longLabel.left + longLabel.right) / 2.0, 170, 1);
    EXPECT_GT(longLabel.right - longLabel.left, 4 * (shortLabel.right - shortLabel.left));
}

TEST_F(StopPanel, EdgePressesHitNoButtonAndGoToTheKeyboard)
{
    layoutStops();
    EXPECT_EQ(pointInRect({10, 60, 30, 70}, 59, 69), 1);
    for (const auto& [x, y] : {std::pair{10, 50}, {60, 50}, {35, 30}, {35, 70}})
        EXPECT_EQ(pointInRect({10, 60, 30, 70}, x, y), 0) << x << "," << y;

    press(160, 50);
    press(170, 30);
    press(185, 70);
    EXPECT_EQ(stopsOn(), 0);
    EXPECT_EQ(organBank.currentStop, 0);
    EXPECT_TRUE(isColor(toDeviceX(160), toDeviceY(330), red)) << "key 4 lit";
    EXPECT_TRUE(isColor(toDeviceX(170), toDeviceY(330), red)) << "key 5 lit";
    EXPECT_TRUE(isColor(toDeviceX(190), toDeviceY(330), red)) << "key 9 lit";
    EXPECT_EQ(countOf(red, {0, 0, screenWidth, 100}), 0) << "no button redrawn";
}

TEST_F(StopPanel, WithoutAnOrganEveryPressGoesToTheKeyboard)
{
    layoutStops();
    organBank.stopCount = 0;
    press(35, 50);
    press(150, 330);
    EXPECT_TRUE(isColor(toDeviceX(153), toDeviceY(330), red));
    EXPECT_EQ(countOf(red, {0, 480, screenWidth, screenHeight}), countOf(red, {296, 480, 320, 540}));

    freshPaint(grey);
    mouseDown = 0;
    press(150, 330);
    EXPECT_EQ(countOf(grey), screenWidth * screenHeight);
}

// A drawknob on a dark wood panel: a round ivory (on) or slate (off) knob
// with a rim and a highlight, above an ivory name plate.
std::uint32_t drawknob(int x, int y, bool on)
{
    const double dx = x - 49.5, dy = y - 24.5, r = std::hypot(dx, dy);
    if (x < 2 || y < 2 || x > 97 || y > 61) return 0x2A1608;
    if (y >= 50 && x >= 8 && x <= 91) return 0xF4EBD0;
    if (r > 21) return 0x5C3317 + ((y * 7 + x / 3) % 5) * 0x010100;
    if (r > 18) return 0xB8962E;
    const double light = 1.0 - 0.35 * std::hypot(dx + 6, dy + 6) / 24;
    const auto shade = [light](int c) { return static_cast<std::uint32_t>(c * light) & 0xFF; };
    return on ? shade(250) << 16 | shade(240) << 8 | shade(215) : shade(120) << 16 | shade(128) << 8 | shade(140);
}

TEST_F(StopPanel, AConsoleWindowIsSavedForPeopleToLookAt)
{
    const auto knob = [](bool on) {
        return bmpFile(100, 64, 24, [on](int x, int y) { return drawknob(x, y, on); });
    };
    fixtures::writeFile(organ.brimwell / "boutons" / "on.bmp", knob(true));
    fixtures::writeFile(organ.brimwell / "boutons" / "of.bmp", knob(false));
    setStops({"Montre 8", "Bourdon 8", "Prestant 4", "Fl\xFBte 4", "Doublette 2", "Cornet V", "Trompette 8",
              "R\xE9gale 8", "Voix c\xE9leste", "Tremblant", "Nasard", "Tierce"});
    layoutStops();
    freshPaint(white);
    drawKeyboard(keyboardOriginX, keyboardOriginY, 0);
    paintStops();
    press(85, 50);
    press(335, 50);
    press(150, 330);

    const std::filesystem::path artefacts = VELMARA_ARTEFACT_DIR;
    std::filesystem::create_directories(artefacts);
    const std::string png = (artefacts / "console.png").string();
    ASSERT_TRUE(platform::cairo::saveWindowPng(png.c_str()));
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
}

}  // namespace

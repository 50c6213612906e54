// The zoom and the letterbox: the window pixels that draw a device pixel are
// exactly the ones the pointer finds it under, whatever the window's size.
#include "frontends/window/Viewport.h"

#include <gtest/gtest.h>

using platform::frontends::window::PixelRect;
using platform::frontends::window::Viewport;
using platform::frontends::window::window_pixel;

TEST(Viewport, LargestWholeZoomCentred)
{
    struct Case {
        char const* label;
        int width, height;
        int zoom, left, top;
    };
    // The device's screen is 240 x 320 throughout.
    Case const cases[] = {
        { "exactly twice the screen", 480, 640, 2, 0, 0 },
        { "room to spare, letterboxed", 500, 700, 2, 10, 30 },
        { "the narrower side decides", 800, 700, 2, 160, 30 },
        { "smaller than the screen: zoom 1, cut", 200, 300, 1, -20, -10 },
        { "an empty window", 0, 0, 1, -120, -160 },
    };
    for (auto const& c : cases) {
        Viewport const viewport = Viewport::fit(c.width, c.height, 240, 320);
        EXPECT_EQ(viewport.zoom, c.zoom) << c.label;
        EXPECT_EQ(viewport.left, c.left) << c.label;
        EXPECT_EQ(viewport.top, c.top) << c.label;
    }
}

TEST(Viewport, EachWindowPixelOfADevicePixelFindsIt)
{
    Viewport const viewport = Viewport::fit(500, 700, 240, 320); // zoom 2 at (10, 30)
    for (PixelRect const area : { PixelRect { 0, 0, 1, 1 }, PixelRect { 239, 319, 1, 1 }, PixelRect { 7, 5, 1, 1 } }) {
        PixelRect const drawn = viewport.to_window(area);
        EXPECT_EQ(drawn.w, 2);
        EXPECT_EQ(drawn.h, 2);
        for (int y = drawn.y; y < drawn.y + drawn.h; ++y) {
            for (int x = drawn.x; x < drawn.x + drawn.w; ++x) {
                POINT const found = viewport.to_screen(x, y);
                EXPECT_EQ(found.x, area.x) << x << "," << y;
                EXPECT_EQ(found.y, area.y) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(viewport.to_window(PixelRect { 1, 2, 3, 4 }), (PixelRect { 12, 34, 6, 8 }));
}

TEST(Viewport, TheLetterboxIsOutsideTheScreen)
{
    Viewport const viewport = Viewport::fit(500, 700, 240, 320);
    struct Case {
        long x, y;
        LONG screen_x, screen_y;
    };
    Case const cases[] = {
        { 9, 29, -1, -1 },    // just above and left of the corner: not pixel 0
        { 0, 0, -5, -15 },    // the window's corner
        { 490, 670, 240, 320 }, // just past the far corner
    };
    for (auto const& c : cases) {
        POINT const found = viewport.to_screen(c.x, c.y);
        EXPECT_EQ(found.x, c.screen_x) << c.x << "," << c.y;
        EXPECT_EQ(found.y, c.screen_y) << c.x << "," << c.y;
    }
}

TEST(Viewport, AScaledWindowHasMorePixelsThanCoordinates)
{
    POINT const pixel = window_pixel(5, 7, 250, 350, 500, 700);
    EXPECT_EQ(pixel.x, 10);
    EXPECT_EQ(pixel.y, 14);
    POINT const same = window_pixel(5, 7, 500, 700, 500, 700);
    EXPECT_EQ(same.x, 5);
    EXPECT_EQ(same.y, 7);
}

// The desktop the notes live on, in twips.
#pragma once

namespace tw {

class Screen {
public:
    virtual ~Screen() = default;
    virtual int widthTwips() = 0;
    virtual int heightTwips() = 0;
    virtual int twipsPerPixelX() = 0;
    virtual int twipsPerPixelY() = 0;
};

// A screen of a fixed size (tests, and the program before a display is known).
class FixedScreen : public Screen {
public:
    FixedScreen(int wTwips = 1024 * 15, int hTwips = 768 * 15, int tpp = 15)
        : w_(wTwips), h_(hTwips), tpp_(tpp) {}
    int widthTwips() override { return w_; }
    int heightTwips() override { return h_; }
    int twipsPerPixelX() override { return tpp_; }
    int twipsPerPixelY() override { return tpp_; }

private:
    int w_, h_, tpp_;
};

}  // namespace tw

#pragma once

class TCardTheme;

// A view the card's theme draws. The theme is not owned: the card window that owns it outlives its
// views. Main thread only.
class TThemeViewProtocol {
public:
    virtual ~TThemeViewProtocol() = default;
    virtual void setTheme(TCardTheme* theme) = 0;
    virtual TCardTheme* theme() const = 0;
};

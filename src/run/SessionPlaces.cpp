#include "SessionPlaces.h"

#include <algorithm>

namespace {

// Room for the window frames: between the two windows, and for a title bar above each.
constexpr int FrameGap = 16;
constexpr int TitleRoom = 40;

}  // namespace

SessionPlaces PlaceSessionWindows(const QRect& operatorScreen, const QRect& listenerScreen, int panelWidth)
{
    SessionPlaces places;
    const int width = std::min(panelWidth, operatorScreen.width() / 2);
    const int height = std::max(0, operatorScreen.height() - TitleRoom);
    places.Panel = QRect(operatorScreen.right() - width + 1, operatorScreen.top() + TitleRoom, width, height);
    if (operatorScreen != listenerScreen) {
        places.RunWindow = listenerScreen;
        places.Maximised = true;
        return places;
    }
    places.RunWindow = QRect(operatorScreen.left(), operatorScreen.top() + TitleRoom,
                             std::max(0, operatorScreen.width() - width - FrameGap), height);
    return places;
}

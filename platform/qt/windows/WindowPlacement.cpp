// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPlacement.h"

#include <algorithm>
#include <optional>

namespace ohmrada::qt {

namespace {

constexpr int kGap = 8;
constexpr int kCascadeStep = 32;

QRect FrameOf(const QPoint& topLeft, const QSize& size, const QMargins& frame) {
    return {topLeft, QSize(size.width() + frame.left() + frame.right(),
                           size.height() + frame.top() + frame.bottom())};
}

QRect ContentsOf(const QRect& frameRect, const QMargins& frame) {
    return frameRect.marginsRemoved(frame);
}

QRect MenuBar(const CPlacementRequest& request) {
    return {request.form.left(), request.form.top(), request.form.width(),
            std::max(0, request.menuBottom - request.form.top())};
}

bool IsFree(const QRect& frameRect, const CPlacementRequest& request) {
    if (!request.screen.contains(frameRect) || frameRect.intersects(request.form)) {
        return false;
    }
    return std::none_of(request.taken.begin(), request.taken.end(),
                        [&](const QRect& other) { return frameRect.intersects(other); });
}

// The sizes tried at a place: the one asked for, then, where the screen ends
// below it, as high as the room that is left (down to the minimum).
std::vector<QSize> SizesAt(int top, const QSize& size, const CPlacementRequest& request) {
    std::vector<QSize> sizes = {size};
    const int frameHeight = request.frame.top() + request.frame.bottom();
    const int room = request.screen.bottom() + 1 - top - frameHeight;
    if (room < size.height() && room >= request.minimum.height()) {
        sizes.emplace_back(size.width(), room);
    }
    return sizes;
}

// The first free place of the given size: right of the form (level with it,
// then under a window already there, the screen's top last), then below.
std::optional<QRect> FreePlace(const CPlacementRequest& request, const QSize& size) {
    std::vector<int> rightXs = {request.form.right() + 1 + kGap};
    std::vector<int> ys;
    std::vector<int> belowXs = {request.form.left(), request.screen.left()};
    for (const QRect& other : request.taken) {
        rightXs.push_back(other.right() + 1 + kGap);
        belowXs.push_back(other.right() + 1 + kGap);
        ys.push_back(other.bottom() + 1 + kGap);
    }
    std::sort(rightXs.begin(), rightXs.end());
    std::sort(ys.begin(), ys.end());
    std::sort(belowXs.begin(), belowXs.end());
    ys.insert(ys.begin(), std::max(request.screen.top(), request.form.top()));
    ys.push_back(request.screen.top());
    for (const int x : rightXs) {
        if (x <= request.form.right()) {
            continue;
        }
        for (const int y : ys) {
            for (const QSize& tried : SizesAt(y, size, request)) {
                const QRect frameRect = FrameOf(QPoint(x, y), tried, request.frame);
                if (IsFree(frameRect, request)) {
                    return frameRect;
                }
            }
        }
    }
    std::vector<int> belowYs = {request.form.bottom() + 1 + kGap};
    for (const QRect& other : request.taken) {
        if (other.top() > request.form.bottom()) {
            belowYs.push_back(other.bottom() + 1 + kGap);
        }
    }
    std::sort(belowYs.begin(), belowYs.end());
    for (const int y : belowYs) {
        for (const int x : belowXs) {
            const QRect frameRect = FrameOf(QPoint(x, y), size, request.frame);
            if (IsFree(frameRect, request)) {
                return frameRect;
            }
        }
    }
    return std::nullopt;
}

// A frame moved (and, only where it must, shrunk) fully onto the screen and
// below the form's menu bar when it would cover it.
QRect Fit(QRect frameRect, const CPlacementRequest& request) {
    const QRect& screen = request.screen;
    frameRect.setWidth(std::min(frameRect.width(), screen.width()));
    frameRect.setHeight(std::min(frameRect.height(), screen.height()));
    frameRect.moveLeft(
        std::clamp(frameRect.left(), screen.left(), screen.right() - frameRect.width() + 1));
    frameRect.moveTop(
        std::clamp(frameRect.top(), screen.top(), screen.bottom() - frameRect.height() + 1));
    if (frameRect.intersects(MenuBar(request))) {
        frameRect.moveTop(request.menuBottom + kGap);
        if (frameRect.bottom() > screen.bottom()) {
            frameRect.setBottom(screen.bottom());
        }
    }
    return frameRect;
}

}  // namespace

QRect PlaceBesideForm(const CPlacementRequest& request) {
    if (const std::optional<QRect> place = FreePlace(request, request.size)) {
        return ContentsOf(*place, request.frame);
    }
    // Smaller, into the room to the right or below the form.
    const int frameWidth = request.frame.left() + request.frame.right();
    const int frameHeight = request.frame.top() + request.frame.bottom();
    const int roomRight = request.screen.right() - request.form.right() - kGap - frameWidth;
    const int roomBelow = request.screen.bottom() - request.form.bottom() - kGap - frameHeight;
    const int roomHigh = request.screen.height() - frameHeight;
    const QSize smaller[] = {
        QSize(std::min(request.size.width(), roomRight), std::min(request.size.height(), roomHigh)),
        QSize(std::min(request.size.width(), request.screen.width() - frameWidth),
              std::min(request.size.height(), roomBelow)),
    };
    for (const QSize& size : smaller) {
        if (size.width() >= request.minimum.width() && size.height() >= request.minimum.height() &&
            size.isValid()) {
            if (const std::optional<QRect> place = FreePlace(request, size)) {
                return ContentsOf(*place, request.frame);
            }
        }
    }
    const QRect& screen = request.screen;
    const int step = kCascadeStep * static_cast<int>(request.taken.size());
    // Where the other windows leave no free place but the form has room
    // beside it: cascaded there, over the other tool windows rather than
    // over the form.
    if (roomRight >= request.minimum.width()) {
        // One step further right for every window open, but never so far
        // that less of the window fits than it asks for (or, if the room is
        // smaller than that, than the room).
        const int widest = std::min(request.size.width(), roomRight);
        const int left = std::max(
            request.form.right() + 1 + kGap,
            std::min(request.form.right() + kGap + step % std::max(1, roomRight / 2),
                     screen.right() + 1 - std::max(widest, request.minimum.width()) - frameWidth));
        const int width = std::min(request.size.width(), screen.right() - left + 1 - frameWidth);
        if (width >= request.minimum.width()) {
            QRect beside = FrameOf(QPoint(left, std::max(screen.top(), request.form.top()) + step),
                                   QSize(width, request.size.height()), request.frame);
            const int lowest = request.minimum.height() + frameHeight;
            const int room = screen.bottom() - beside.top() + 1;
            if (beside.height() > room) {
                if (room >= lowest) {
                    beside.setHeight(room);
                } else {
                    beside.moveTop(std::max(screen.top(), screen.bottom() + 1 - beside.height()));
                }
            }
            return ContentsOf(Fit(beside, request), request.frame);
        }
    }
    // Cascaded over the form, below its menu bar: one step further right and
    // down for every window open, made lower rather than moved up where the
    // screen ends, so that no two start at the same spot.
    QRect cascaded =
        FrameOf(QPoint(request.form.left() + kCascadeStep + step, request.menuBottom + kGap + step),
                request.size, request.frame);
    cascaded.setWidth(std::min(cascaded.width(), screen.width()));
    cascaded.moveLeft(
        std::clamp(cascaded.left(), screen.left(), screen.right() - cascaded.width() + 1));
    const int lowest = request.minimum.height() + frameHeight;
    const int room = screen.bottom() - cascaded.top() + 1;
    if (cascaded.height() > room && room >= lowest) {
        cascaded.setHeight(room);
    }
    return ContentsOf(Fit(cascaded, request), request.frame);
}

QRect KeepOnScreen(const QRect& remembered, const CPlacementRequest& request) {
    return ContentsOf(Fit(remembered.marginsAdded(request.frame), request), request.frame);
}

}  // namespace ohmrada::qt

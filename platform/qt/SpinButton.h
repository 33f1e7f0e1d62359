// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QWidget>

namespace ohmrada::qt {

// A free-standing up-down control: two arrow buttons on top of each other,
// with no buddy field and no range. Each press of an arrow moves the position
// one step, the up arrow towards lower positions, and reports the new
// position once; the owner decides what the press means and sets the
// position back. It never takes the keyboard focus.
class CSpinButton : public QWidget {
public:
    using Handler = std::function<void(int position)>;

    explicit CSpinButton(QWidget* parent = nullptr);

    void SetHandler(Handler handler) { m_handler = std::move(handler); }
    void SetPosition(int position) { m_position = position; }
    int Position() const { return m_position; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class EArrow { kNone, kUp, kDown };

    QRect ArrowRect(EArrow arrow) const;

    Handler m_handler;
    int m_position = 0;
    EArrow m_pressed = EArrow::kNone;
};

}  // namespace ohmrada::qt

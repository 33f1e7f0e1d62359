// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QTimer>
#include <QWidget>

namespace ohmrada::qt {

// A free-standing up-down control: two arrow buttons on top of each other,
// with no buddy field and no range. Each press of an arrow moves the position
// one step, the up arrow towards lower positions, and reports the new
// position once; the owner decides what the press means and sets the
// position back. An arrow held down repeats its step, as a platform spin
// control does: after the style's first delay, then at its repeat rate, for
// as long as the button is held over that arrow and no other window is
// modal; each repetition is one press of its own. It never takes the
// keyboard focus.
class CSpinButton : public QWidget {
public:
    using Handler = std::function<void(int position)>;

    explicit CSpinButton(QWidget* parent = nullptr);

    void SetHandler(Handler handler) { m_handler = std::move(handler); }
    void SetPosition(int position) { m_position = position; }
    int Position() const { return m_position; }
    // An arrow is held and its next repetition is due.
    bool Repeating() const { return m_repeat.isActive(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class EArrow { kNone, kUp, kDown };

    QRect ArrowRect(EArrow arrow) const;
    // One step of the pressed arrow, reported to the handler.
    void Step();
    void Repeat();
    void Release();

    Handler m_handler;
    int m_position = 0;
    EArrow m_pressed = EArrow::kNone;
    bool m_overPressed = false;  // the pointer is over the pressed arrow
    QTimer m_repeat;
};

}  // namespace ohmrada::qt

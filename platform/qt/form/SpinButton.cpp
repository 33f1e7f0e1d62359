// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpinButton.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace ohmrada::qt {

CSpinButton::CSpinButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    m_repeat.setSingleShot(true);
    connect(&m_repeat, &QTimer::timeout, this, &CSpinButton::Repeat);
}

QSize CSpinButton::sizeHint() const {
    return {16, 22};
}

QRect CSpinButton::ArrowRect(EArrow arrow) const {
    const int upperHeight = height() / 2;
    return arrow == EArrow::kUp ? QRect(0, 0, width(), upperHeight)
                                : QRect(0, upperHeight, width(), height() - upperHeight);
}

void CSpinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const EArrow arrow : {EArrow::kUp, EArrow::kDown}) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = ArrowRect(arrow);
        const bool down = m_pressed == arrow && m_overPressed;
        button.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);

        QStyleOption indicator;
        indicator.initFrom(this);
        indicator.rect = button.rect.adjusted(2, 1, -2, -1);
        if (down) {
            indicator.rect.translate(1, 1);
        }
        style()->drawPrimitive(
            arrow == EArrow::kUp ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
            &indicator, &painter, this);
    }
}

void CSpinButton::Step() {
    // The up arrow lowers the position.
    m_position += m_pressed == EArrow::kUp ? -1 : 1;
    if (m_handler) {
        m_handler(m_position);
    }
    // A message box opened by the handler may have taken the release.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        Release();
    }
}

void CSpinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    m_pressed = ArrowRect(EArrow::kUp).contains(at) ? EArrow::kUp : EArrow::kDown;
    m_overPressed = true;
    update();
    Step();
    if (m_pressed != EArrow::kNone) {
        m_repeat.start(
            style()->styleHint(QStyle::SH_SpinBox_ClickAutoRepeatThreshold, nullptr, this));
    }
}

void CSpinButton::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressed != EArrow::kNone) {
        const bool over = ArrowRect(m_pressed).contains(event->position().toPoint());
        if (over != m_overPressed) {
            m_overPressed = over;
            update();
        }
    }
    QWidget::mouseMoveEvent(event);
}

void CSpinButton::Repeat() {
    const QWidget* modal = QApplication::activeModalWidget();
    if (m_pressed == EArrow::kNone || !(QGuiApplication::mouseButtons() & Qt::LeftButton) ||
        (modal != nullptr && modal != window())) {
        Release();
        return;
    }
    // Off the arrow the step pauses until the pointer comes back.
    if (m_overPressed) {
        Step();
    }
    if (m_pressed != EArrow::kNone) {
        m_repeat.start(style()->styleHint(QStyle::SH_SpinBox_ClickAutoRepeatRate, nullptr, this));
    }
}

void CSpinButton::Release() {
    m_repeat.stop();
    m_pressed = EArrow::kNone;
    update();
}

void CSpinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Release();
    }
    QWidget::mouseReleaseEvent(event);
}

}  // namespace ohmrada::qt

// SPDX-License-Identifier: GPL-3.0-or-later
#include "Schematic.h"

#include <cmath>

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include "DesignCircuit.h"

namespace ohmrada::qt {

std::string CSchematic::ValueOf(const std::string& reference) const {
    for (const auto& [name, value] : values) {
        if (name == reference) {
            return value;
        }
    }
    return {};
}

std::string CSchematic::RectifierReference() const {
    for (const auto& entry : values) {
        if (!entry.first.empty() && (entry.first[0] == 'D' || entry.first[0] == 'B')) {
            return entry.first;
        }
    }
    switch (circuit) {
        case ECircuitKind::kHalfWave:
            return "D1";
        case ECircuitKind::kCentreTap:
            return "D1-D2";
        case ECircuitKind::kBridge:
            return "D1-D4";
    }
    return "D1";
}

namespace {

// A value as a label shows it: at most `decimals` decimals, no trailing
// zeros, "." as the point like the form.
std::string Compact(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "?";
    }
    std::string text = QString::number(value, 'f', decimals).toStdString();
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

}  // namespace

CSchematic SchematicOfDesign(const CDesign& design, bool adjustable) {
    CSchematic schematic;
    schematic.circuit = CircuitOfDesign(design, 0.0).kind;
    schematic.adjustableRegulator = adjustable;
    // A centre-tapped winding's rated voltage is that of the whole winding.
    const double volts = design[EInput::kNennU];
    std::string transformer =
        design.centreTap != 0 ? "2x" + Compact(volts / 2.0, 2) + " V" : Compact(volts, 2) + " V";
    transformer += " " + Compact(design[EInput::kNennI], 3) + " A";
    CSchematic dummy;
    dummy.circuit = schematic.circuit;
    schematic.values = {
        {"T1", transformer},
        {"F1", ""},
        {dummy.RectifierReference(), Compact(design[EInput::kDiffU], 3) + " V, " +
                                         Compact(design[EInput::kBahnR], 4) + " \xCE\xA9"},
        {"C1", Compact(design[EInput::kKondC], 0) + " \xC2\xB5"
                                                    "F"},
        {"U1", Compact(design[EInput::kUbger], 3) + " V"},
    };
    if (adjustable) {
        schematic.values.emplace_back("R1", "");
        schematic.values.emplace_back("R2", "");
    }
    schematic.input = Compact(design.mainsFrequency, 0) + " Hz";
    schematic.output =
        Compact(design[EInput::kUbger], 3) + " V " + Compact(design[EInput::kIb], 3) + " A";
    return schematic;
}

namespace {

// The drawing in units of a 340 x 100 grid, mapped onto the area.
constexpr double kWidth = 100.0 * kSchematicAspect;
constexpr double kTop = 30.0;     // the positive rail (and the mains' live wire)
constexpr double kGround = 88.0;  // the common rail
constexpr double kTextUnits = 5.2;

class CDrawer {
public:
    CDrawer(QPainter& painter, const QRectF& area)
        : m_painter(painter), m_origin(area.topLeft()), m_scale(area.width() / kWidth) {
        QPen pen(Qt::black);
        pen.setWidthF(0.55 * m_scale);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        m_painter.setPen(pen);
        m_painter.setBrush(Qt::NoBrush);
        m_font = m_painter.font();
        m_font.setPixelSize(std::max(1, static_cast<int>(std::lround(kTextUnits * m_scale))));
    }

    QPointF P(double x, double y) const { return m_origin + QPointF(x, y) * m_scale; }

    void Wire(std::initializer_list<QPointF> units) {
        QPolygonF line;
        for (const QPointF& point : units) {
            line << P(point.x(), point.y());
        }
        m_painter.drawPolyline(line);
    }

    void Dot(double x, double y) {
        m_painter.save();
        m_painter.setBrush(Qt::black);
        m_painter.drawEllipse(P(x, y), 0.9 * m_scale, 0.9 * m_scale);
        m_painter.restore();
    }

    void Terminal(double x, double y) {
        m_painter.save();
        m_painter.setBrush(Qt::white);
        m_painter.drawEllipse(P(x, y), 1.5 * m_scale, 1.5 * m_scale);
        m_painter.restore();
    }

    // Text whose reference point (x, y) is its left, centre or right end on
    // the baseline; bold for a reference designator.
    void Text(double x, double y, const std::string& text, Qt::Alignment align, bool bold = false) {
        if (text.empty()) {
            return;
        }
        QFont font = m_font;
        font.setBold(bold);
        m_painter.setFont(font);
        const QString string = QString::fromStdString(text);
        const double width = QFontMetricsF(font, m_painter.device()).horizontalAdvance(string);
        QPointF at = P(x, y);
        if (align & Qt::AlignHCenter) {
            at.rx() -= width / 2.0;
        } else if (align & Qt::AlignRight) {
            at.rx() -= width;
        }
        m_painter.drawText(at, string);
    }

    // A reference over its value.
    void Label(double x, double y, const std::string& reference, const std::string& value,
               Qt::Alignment align) {
        Text(x, y, reference, align, true);
        Text(x, y + kTextUnits * 1.2, value, align);
    }

    // A diode from anode to cathode: the triangle points along the current.
    void Diode(QPointF anode, QPointF cathode) {
        const QPointF d = cathode - anode;
        const double length = std::hypot(d.x(), d.y());
        const QPointF u = d / length;
        const QPointF n(-u.y(), u.x());
        const QPointF mid = (anode + cathode) / 2.0;
        constexpr double kSize = 4.0;
        const QPointF base = mid - u * (kSize / 2.0);
        const QPointF apex = mid + u * (kSize / 2.0);
        Wire({anode, base});
        Wire({apex, cathode});
        QPolygonF triangle;
        for (const QPointF& point : {base + n * (kSize / 2.0), base - n * (kSize / 2.0), apex}) {
            triangle << P(point.x(), point.y());
        }
        m_painter.save();
        m_painter.setBrush(Qt::black);
        m_painter.drawPolygon(triangle);
        m_painter.restore();
        Wire({apex + n * (kSize / 2.0), apex - n * (kSize / 2.0)});
    }

    // A coil from (x, top) to (x, bottom) of four turns bulging to the side
    // (+1 right, -1 left).
    void Coil(double x, double top, double bottom, int side) {
        const double turn = (bottom - top) / 4.0;
        QPainterPath path(P(x, top));
        for (int k = 0; k < 4; ++k) {
            const double y0 = top + k * turn;
            const QRectF box(P(x - turn / 2.0, y0), P(x + turn / 2.0, y0 + turn));
            path.arcTo(box, 90.0, side > 0 ? -180.0 : 180.0);
        }
        m_painter.drawPath(path);
    }

    // A resistor's box along a vertical wire from (x, top) to (x, bottom).
    void Resistor(double x, double top, double bottom) {
        const double middle = (top + bottom) / 2.0;
        Wire({{x, top}, {x, middle - 6.0}});
        Wire({{x, middle + 6.0}, {x, bottom}});
        m_painter.drawRect(QRectF(P(x - 2.5, middle - 6.0), P(x + 2.5, middle + 6.0)));
    }

    void Box(double left, double top, double right, double bottom) {
        m_painter.drawRect(QRectF(P(left, top), P(right, bottom)));
    }

private:
    QPainter& m_painter;
    QPointF m_origin;
    double m_scale;
    QFont m_font;
};

// The rectifier from the winding's ends (and tap) to the rails; the x where
// its common side meets the common rail.
double DrawRectifier(CDrawer& d, const CSchematic& s) {
    const std::string reference = s.RectifierReference();
    const std::string value = s.ValueOf(reference);
    switch (s.circuit) {
        case ECircuitKind::kHalfWave:
            d.Wire({{60, 30}, {80, 30}});
            d.Diode({80, 30}, {94, 30});
            d.Label(87, 17, reference, value, Qt::AlignHCenter);
            d.Wire({{60, 75}, {60, kGround}});
            return 60.0;
        case ECircuitKind::kCentreTap:
            d.Wire({{60, 30}, {80, 30}});
            d.Diode({80, 30}, {94, 30});
            d.Wire({{60, 75}, {80, 75}});
            d.Diode({80, 75}, {94, 75});
            d.Wire({{94, 75}, {100, 75}, {100, 30}});
            d.Dot(100, 30);
            d.Label(87, 17, reference, value, Qt::AlignHCenter);
            // The tap is the common side (its wire crosses the lower end's
            // without joining it).
            d.Wire({{60, 52.5}, {68, 52.5}, {68, kGround}});
            d.Dot(60, 52.5);
            return 68.0;
        case ECircuitKind::kBridge: {
            const QPointF left(84, 52.5), right(112, 52.5), top(98, 38.5), bottom(98, 66.5);
            d.Wire({{60, 30}, {98, 30}, top});
            d.Wire({{60, 75}, {98, 75}, bottom});
            d.Diode(left, top);
            d.Diode(left, bottom);
            d.Diode(top, right);
            d.Diode(bottom, right);
            for (const QPointF& corner : {left, right, top, bottom}) {
                d.Dot(corner.x(), corner.y());
            }
            d.Wire({right, {118, 52.5}, {118, 30}});
            // The negative corner to the common rail, across the lower
            // winding's wire.
            d.Wire({left, {74, 52.5}, {74, kGround}});
            d.Label(98, 17, reference, value, Qt::AlignHCenter);
            return 74.0;
        }
    }
    return 60.0;
}

}  // namespace

void DrawSchematic(QPainter& painter, const QRectF& area, const CSchematic& s) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    CDrawer d(painter, area);

    // The mains, the fuse in the live wire, the transformer.
    d.Terminal(6, kTop);
    d.Terminal(6, 75);
    d.Text(2, 55, s.input, Qt::AlignLeft);
    d.Text(2, 40, "L", Qt::AlignLeft);
    d.Text(2, 85, "N", Qt::AlignLeft);
    d.Wire({{7.5, kTop}, {16, kTop}});
    d.Box(16, kTop - 2.2, 30, kTop + 2.2);
    d.Wire({{16, kTop}, {30, kTop}});
    d.Label(23, 22, "F1", "", Qt::AlignHCenter);
    d.Text(23, 40, s.ValueOf("F1"), Qt::AlignHCenter);
    d.Wire({{30, kTop}, {46, kTop}, {46, 34}});
    d.Wire({{7.5, 75}, {46, 75}, {46, 71}});
    d.Coil(46, 34, 71, +1);
    d.Wire({{52.5, 32}, {52.5, 73}});
    d.Wire({{54.5, 32}, {54.5, 73}});
    d.Coil(60, 34, 71, -1);
    d.Wire({{60, 34}, {60, kTop}});
    d.Wire({{60, 71}, {60, 75}});
    d.Label(53.5, 9, "T1", s.ValueOf("T1"), Qt::AlignHCenter);

    const double common = DrawRectifier(d, s);
    // Where the rectifier's positive side meets the positive rail.
    const double rectified = s.circuit == ECircuitKind::kBridge ? 118.0 : 94.0;

    // The reservoir capacitor between the rails.
    constexpr double kC = 140.0;
    d.Wire({{rectified, kTop}, {170, kTop}});
    d.Wire({{common, kGround}, {300, kGround}});
    d.Wire({{kC, kTop}, {kC, 56}});
    d.Wire({{kC - 6, 56}, {kC + 6, 56}});
    d.Box(kC - 6, 59.5, kC + 6, 61);
    d.Wire({{kC, 61}, {kC, kGround}});
    d.Text(kC - 8, 55, "+", Qt::AlignRight);
    d.Dot(kC, kTop);
    d.Dot(kC, kGround);
    d.Label(kC + 9, 52, "C1", s.ValueOf("C1"), Qt::AlignLeft);

    // The regulator, with its divider when it is adjustable.
    d.Box(170, 22, 200, 40);
    d.Text(172, 32, "IN", Qt::AlignLeft);
    d.Text(198, 32, "OUT", Qt::AlignRight);
    d.Text(185, 38.5, s.adjustableRegulator ? "ADJ" : "GND", Qt::AlignHCenter);
    d.Label(185, 10, "U1", s.ValueOf("U1"), Qt::AlignHCenter);
    d.Wire({{200, kTop}, {298.5, kTop}});
    if (s.adjustableRegulator) {
        d.Resistor(222, kTop, 62);
        d.Dot(222, kTop);
        d.Wire({{222, 62}, {185, 62}});
        d.Wire({{185, 40}, {185, 62}});
        d.Dot(185, 62);
        d.Resistor(185, 62, kGround);
        d.Dot(185, kGround);
        d.Label(227, 44, "R1", s.ValueOf("R1"), Qt::AlignLeft);
        d.Label(190, 74, "R2", s.ValueOf("R2"), Qt::AlignLeft);
    } else {
        d.Wire({{185, 40}, {185, kGround}});
        d.Dot(185, kGround);
    }

    // The output.
    d.Terminal(300, kTop);
    d.Terminal(300, kGround);
    d.Text(304, 32, "+", Qt::AlignLeft);
    d.Text(304, 90, "\xE2\x88\x92", Qt::AlignLeft);
    d.Text(300, 62, s.output, Qt::AlignHCenter);
    painter.restore();
}

}  // namespace ohmrada::qt

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
    if (Dual()) {
        return "D1-D4";
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

double SchematicAspect(const CSchematic& schematic) {
    return schematic.Dual() ? kDualSchematicAspect : kSchematicAspect;
}

CSchematic SchematicOfDesign(const CDesign& design, bool adjustable) {
    CSchematic schematic;
    schematic.circuit = CircuitOfDesign(design, 0.0).kind;
    const CCircuitChoice& choice = design.circuitChoice;
    schematic.topology = choice.topology;
    schematic.filter = choice.filter;
    schematic.load = choice.load;
    schematic.adjustableRegulator = adjustable;
    // A centre-tapped winding's rated voltage is that of the whole winding.
    const double volts = design[EInput::kNennU];
    std::string transformer =
        design.centreTap != 0 ? "2x" + Compact(volts / 2.0, 2) + " V" : Compact(volts, 2) + " V";
    transformer += " " + Compact(design[EInput::kNennI], 3) + " A";
    CSchematic dummy;
    dummy.circuit = schematic.circuit;
    dummy.topology = schematic.topology;
    const std::string capacitor = Compact(design[EInput::kKondC], 0) +
                                  " \xC2\xB5"
                                  "F";
    const std::string regulator = Compact(design[EInput::kUbger], 3) + " V";
    schematic.values = {
        {"T1", transformer},
        {"F1", ""},
        {dummy.RectifierReference(), Compact(design[EInput::kDiffU], 3) + " V, " +
                                         Compact(design[EInput::kBahnR], 4) + " \xCE\xA9"},
        {"C1", capacitor},
        {"U1", regulator},
    };
    if (adjustable) {
        schematic.values.emplace_back("R1", "");
        schematic.values.emplace_back("R2", "");
    }
    const bool dual = schematic.Dual();
    if (dual) {
        schematic.values.emplace_back("C2", capacitor);
        schematic.values.emplace_back("U2", "\xE2\x88\x92" + regulator);
    }
    // The filter of each rail, in the units the panel takes them.
    const std::string ohm = Compact(choice.filterResistanceOhm, 4) + " \xCE\xA9";
    const std::string microfarad = Compact(choice.filterCapacitanceF * 1e6, 1) +
                                   " \xC2\xB5"
                                   "F";
    const std::string millihenry = Compact(choice.filterInductanceH * 1e3, 3) + " mH";
    for (int rail = 0; rail < (dual ? 2 : 1); ++rail) {
        const std::string series = rail == 0 ? "3" : "4";
        const std::string coil = rail == 0 ? "1" : "2";
        switch (choice.filter) {
            case EFilter::kRc:
                schematic.values.emplace_back("R" + series, ohm);
                schematic.values.emplace_back("C" + series, microfarad);
                break;
            case EFilter::kLc:
                schematic.values.emplace_back("L" + coil, millihenry + ", " + ohm);
                schematic.values.emplace_back("C" + series, microfarad);
                break;
            case EFilter::kChoke:
                schematic.values.emplace_back("L" + coil, millihenry + ", " + ohm);
                break;
            case EFilter::kNone:
                break;
        }
    }
    if (choice.load == ELoad::kResistive) {
        const double ib = design[EInput::kIb];
        const std::string load =
            ib > 0.0 ? Compact(design[EInput::kUbger] / ib, 3) + " \xCE\xA9" : std::string();
        if (dual) {
            schematic.values.emplace_back("RL1", load);
            schematic.values.emplace_back("RL2", load);
        } else {
            schematic.values.emplace_back("RL", load);
        }
    }
    schematic.input = Compact(design.mainsFrequency, 0) + " Hz";
    const std::string output =
        Compact(design[EInput::kUbger], 3) + " V " + Compact(design[EInput::kIb], 3) + " A";
    schematic.output = dual ? "+" + output : output;
    if (dual) {
        schematic.negativeOutput = "\xE2\x88\x92" + output;
    }
    return schematic;
}

namespace {

// The drawing in units of a 340 x 100 grid, mapped onto the area.
constexpr double kWidth = 100.0 * kSchematicAspect;
constexpr double kTop = 30.0;        // the positive rail (and the mains' live wire)
constexpr double kGround = 88.0;     // the common rail
constexpr double kNegative = 140.0;  // a symmetric supply's negative rail
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

    // A resistor's box along a horizontal wire from (left, y) to (right, y).
    void SeriesResistor(double left, double right, double y) {
        const double middle = (left + right) / 2.0;
        Wire({{left, y}, {middle - 6.0, y}});
        Wire({{middle + 6.0, y}, {right, y}});
        m_painter.drawRect(QRectF(P(middle - 6.0, y - 2.2), P(middle + 6.0, y + 2.2)));
    }

    // A coil along a horizontal wire from (left, y) to (right, y), its four
    // turns bulging upwards, between two short leads.
    void SeriesCoil(double left, double right, double y) {
        constexpr double kLead = 3.0;
        Wire({{left, y}, {left + kLead, y}});
        Wire({{right - kLead, y}, {right, y}});
        const double turn = (right - left - 2.0 * kLead) / 4.0;
        QPainterPath path(P(left + kLead, y));
        for (int k = 0; k < 4; ++k) {
            const double x0 = left + kLead + k * turn;
            const QRectF box(P(x0, y - turn / 2.0), P(x0 + turn, y + turn / 2.0));
            path.arcTo(box, 180.0, -180.0);
        }
        m_painter.drawPath(path);
    }

    // A polarised capacitor on a vertical wire between its positive side
    // at (x, plus) and its negative side at (x, minus), either way up.
    void Capacitor(double x, double plus, double minus) {
        const double toward = minus > plus ? 1.0 : -1.0;
        const double middle = (plus + minus) / 2.0;
        const double plate = middle - 3.0 * toward;
        Wire({{x, plus}, {x, plate}});
        Wire({{x - 6, plate}, {x + 6, plate}});
        const double near = middle + 0.5 * toward;
        const double far = middle + 2.0 * toward;
        Box(x - 6, std::min(near, far), x + 6, std::max(near, far));
        Wire({{x, far}, {x, minus}});
        Text(x - 8, plate - 1.0 * toward, "+", Qt::AlignRight);
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
// its common side meets the common rail. A symmetric supply's bridge takes
// its negative corner to the negative rail and the tap to the common one.
double DrawRectifier(CDrawer& d, const CSchematic& s) {
    const std::string reference = s.RectifierReference();
    const std::string value = s.ValueOf(reference);
    if (s.Dual()) {
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
        d.Wire({left, {74, 52.5}, {74, kNegative}});
        d.Label(98, 17, reference, value, Qt::AlignHCenter);
        d.Wire({{60, 52.5}, {68, 52.5}, {68, kGround}});
        d.Dot(60, 52.5);
        return 68.0;
    }
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

// One rail from the rectifier to its output terminal: at height y, its
// return the common rail (below the positive rail, above the negative one);
// from x = start, where the rectifier's side of the rail begins. The
// reservoir, the filter, the regulator (with its divider when adjustable),
// a resistive load and the terminal. negative: the negative rail, whose
// parts are named by the second of each pair.
void DrawRail(CDrawer& d, const CSchematic& s, double y, double start, bool negative) {
    // Towards the common rail: +1 down from the positive rail, -1 up from the negative.
    const double toward = negative ? -1.0 : 1.0;
    const auto along = [toward, y](double units) { return y + units * toward; };
    // Where the reservoir, the filter's series part and its capacitor, and
    // the regulator stand, by filter.
    double reservoir = 140.0;
    double seriesLeft = 0.0;
    double seriesRight = 0.0;
    double second = 0.0;
    double regulator = 170.0;
    switch (s.filter) {
        case EFilter::kNone:
            break;
        case EFilter::kRc:
        case EFilter::kLc:
            reservoir = 130.0;
            seriesLeft = 140.0;
            seriesRight = 160.0;
            second = 180.0;
            regulator = 196.0;
            break;
        case EFilter::kChoke:
            seriesLeft = 122.0;
            seriesRight = 144.0;
            reservoir = 156.0;
            regulator = 176.0;
            break;
    }
    const std::string reservoirName = negative ? "C2" : "C1";
    const std::string secondName = negative ? "C4" : "C3";
    const std::string seriesName =
        s.filter == EFilter::kRc ? (negative ? "R4" : "R3") : (negative ? "L2" : "L1");
    const std::string regulatorName = negative ? "U2" : "U1";

    // The rail's wire up to the regulator, the series part left out.
    if (s.filter == EFilter::kNone) {
        d.Wire({{start, y}, {regulator, y}});
    } else {
        d.Wire({{start, y}, {seriesLeft, y}});
        d.Wire({{seriesRight, y}, {regulator, y}});
        if (s.filter == EFilter::kRc) {
            d.SeriesResistor(seriesLeft, seriesRight, y);
        } else {
            d.SeriesCoil(seriesLeft, seriesRight, y);
        }
        // Its name above the positive rail, below the negative one.
        const double labelY = negative ? y + 10.0 : y - 14.0;
        d.Label((seriesLeft + seriesRight) / 2.0, labelY, seriesName, s.ValueOf(seriesName),
                Qt::AlignHCenter);
    }
    // The capacitors, positive side towards the positive rail.
    const auto capacitor = [&](double x, const std::string& name) {
        d.Capacitor(x, negative ? kGround : y, negative ? y : kGround);
        d.Dot(x, y);
        d.Dot(x, kGround);
        d.Label(x + 9, (y + kGround) / 2.0 - 7.0, name, s.ValueOf(name), Qt::AlignLeft);
    };
    capacitor(reservoir, reservoirName);
    if (s.filter == EFilter::kRc || s.filter == EFilter::kLc) {
        capacitor(second, secondName);
    }

    // The regulator, with its divider when it is adjustable.
    const double middle = regulator + 15.0;
    const double nearCommon = along(10.0);  // the box's side towards the common rail
    d.Box(regulator, std::min(along(-8.0), nearCommon), regulator + 30.0,
          std::max(along(-8.0), nearCommon));
    d.Text(regulator + 2.0, y + 2.0, "IN", Qt::AlignLeft);
    d.Text(regulator + 28.0, y + 2.0, "OUT", Qt::AlignRight);
    d.Text(middle, negative ? y - 3.5 : y + 8.5, s.adjustableRegulator ? "ADJ" : "GND",
           Qt::AlignHCenter);
    d.Label(middle, negative ? y + 16.0 : y - 20.0, regulatorName, s.ValueOf(regulatorName),
            Qt::AlignHCenter);
    d.Wire({{regulator + 30.0, y}, {298.5, y}});
    if (s.adjustableRegulator) {
        const double divider = along(32.0);
        const double right = regulator + 52.0;
        d.Resistor(right, std::min(y, divider), std::max(y, divider));
        d.Dot(right, y);
        d.Wire({{right, divider}, {middle, divider}});
        d.Wire({{middle, nearCommon}, {middle, divider}});
        d.Dot(middle, divider);
        d.Resistor(middle, std::min(divider, kGround), std::max(divider, kGround));
        d.Dot(middle, kGround);
        d.Label(right + 5.0, along(14.0), "R1", s.ValueOf("R1"), Qt::AlignLeft);
        d.Label(middle + 5.0, along(44.0), "R2", s.ValueOf("R2"), Qt::AlignLeft);
    } else {
        d.Wire({{middle, nearCommon}, {middle, kGround}});
        d.Dot(middle, kGround);
    }

    // A resistive load across the output.
    if (s.load == ELoad::kResistive) {
        constexpr double kLoad = 268.0;
        d.Resistor(kLoad, std::min(y, kGround), std::max(y, kGround));
        d.Dot(kLoad, y);
        d.Dot(kLoad, kGround);
        const std::string name = s.Dual() ? (negative ? "RL2" : "RL1") : "RL";
        d.Label(kLoad - 5.0, along(40.0), name, s.ValueOf(name), Qt::AlignRight);
    }

    // The output.
    d.Terminal(300, y);
    d.Text(304, y + 2.0, negative ? "\xE2\x88\x92" : "+", Qt::AlignLeft);
    d.Text(300, (y + kGround) / 2.0 + 3.0, negative ? s.negativeOutput : s.output,
           Qt::AlignHCenter);
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
    const double rectified = s.Dual() || s.circuit == ECircuitKind::kBridge ? 118.0 : 94.0;
    d.Wire({{common, kGround}, {298.5, kGround}});
    DrawRail(d, s, kTop, rectified, false);
    if (s.Dual()) {
        DrawRail(d, s, kNegative, 74.0, true);
    }
    d.Terminal(300, kGround);
    d.Text(304, kGround + 2.0, s.Dual() ? "0" : "\xE2\x88\x92", Qt::AlignLeft);
    painter.restore();
}

}  // namespace ohmrada::qt

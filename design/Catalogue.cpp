// SPDX-License-Identifier: GPL-3.0-or-later
#include "Catalogue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>

#include "ShippedCatalogueFiles.h"

namespace ohmrada {

std::string Filled(std::string text, std::string_view key, std::string_view value) {
    const std::string marker = "{" + std::string(key) + "}";
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + value.size())) {
        text.replace(at, marker.size(), value);
    }
    return text;
}

namespace {

enum class EKind { kTransformers, kRectifiers, kCapacitors, kRegulators, kHeatSinks, kAccessories };

struct CKindSpec {
    EKind kind;
    std::array<std::string_view, 10> columns;   // required; empty names end the list
    std::array<std::string_view, 12> optional;  // may be left out
};

// clang-format off
constexpr std::array<CKindSpec, 6> kKinds = {{
    {EKind::kTransformers, {"series", "va", "regulation_pct", "windings", "secondary_v"},
                           {"manufacturer", "mpn", "price_eur"}},
    {EKind::kRectifiers, {"id", "name", "kind", "current_a", "surge_a", "vrrm_v", "vf1_v", "if1_a",
                          "vf2_v", "if2_a"},
                         {"manufacturer", "mpn", "price_eur", "tj_max_c", "theta_ja_k_per_w",
                          "theta_jc_k_per_w"}},
    {EKind::kCapacitors, {"series", "name", "min_uf", "max_uf", "voltages_v", "ripple_k",
                          "low_frequency_factor", "temp_c", "life_h"},
                         {"manufacturer", "mpn", "price_k_eur"}},
    {EKind::kRegulators, {"id", "name", "output_v", "max_current_a", "dropout_v", "tj_max_c",
                          "theta_jc_k_per_w", "theta_ja_k_per_w", "max_input_v", "max_in_out_v"},
                         {"manufacturer", "mpn", "price_eur", "max_power_w", "cin_uf", "cout_uf",
                          "r1_ohm", "vref_v", "vref_min_v", "vref_max_v", "iadj_max_ua", "polarity"}},
    {EKind::kHeatSinks, {"id", "name", "kind", "theta_k_per_w", "size_cm3"},
                        {"manufacturer", "mpn", "price_eur"}},
    {EKind::kAccessories, {"id", "kind", "value", "rating", "description", "manufacturer", "mpn",
                           "price_eur"},
                          {}},
}};
// clang-format on

constexpr std::array<double, 6> kE6 = {1.0, 1.5, 2.2, 3.3, 4.7, 6.8};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t at = text.find(separator);
        parts.push_back(Trim(text.substr(0, at)));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

std::optional<double> Number(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string Shortest(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// One data row by column name, with the problem of the first bad field.
class CRow {
public:
    CRow(const std::vector<std::string_view>& header, const std::vector<std::string_view>& fields)
        : m_header(header), m_fields(fields) {}

    bool Has(std::string_view column) const {
        return std::find(m_header.begin(), m_header.end(), column) != m_header.end();
    }
    // An optional column's text, or fallback when the file has no such column.
    std::string OptionalText(std::string_view column, std::string_view fallback = {}) {
        return Has(column) ? std::string(Text(column)) : std::string(fallback);
    }
    // An optional column's number in [low, high], or fallback without it.
    double OptionalValue(std::string_view column, double low, double high, double fallback) {
        return Has(column) ? Value(column, low, high) : fallback;
    }
    std::string_view Text(std::string_view column) {
        for (std::size_t i = 0; i < m_header.size(); ++i) {
            if (m_header[i] == column) {
                if (m_fields[i].empty() && m_problem.empty()) {
                    m_problem = "column " + std::string(column) + " is empty";
                }
                return m_fields[i];
            }
        }
        return {};
    }
    // A number in [low, high].
    double Value(std::string_view column, double low, double high) {
        const std::string_view text = Text(column);
        const std::optional<double> value = Number(text);
        if (!value || *value < low || *value > high) {
            Fail("column " + std::string(column) + ": \"" + std::string(text) +
                 "\" is not a number from " + Shortest(low) + " to " + Shortest(high));
            return low;
        }
        return *value;
    }
    // A list of numbers separated by blanks, each in (0, high], rising, at
    // most kMaxListValues of them.
    std::vector<double> List(std::string_view column, double high) {
        std::vector<double> values;
        for (std::string_view item : Split(Text(column), ' ')) {
            if (item.empty()) {
                continue;
            }
            const std::optional<double> value = Number(item);
            if (!value || *value <= 0.0 || *value > high) {
                Fail("column " + std::string(column) + ": \"" + std::string(item) +
                     "\" is not a number above 0 and up to " + Shortest(high));
                return {};
            }
            if (!values.empty() && *value <= values.back()) {
                Fail("column " + std::string(column) + ": \"" + std::string(item) +
                     "\" does not rise above the value before it");
                return {};
            }
            if (values.size() == kMaxListValues) {
                Fail("column " + std::string(column) + ": more than " +
                     std::to_string(kMaxListValues) + " values");
                return {};
            }
            values.push_back(*value);
        }
        if (values.empty()) {
            Fail("column " + std::string(column) + " lists no value");
        }
        return values;
    }
    void Fail(std::string problem) {
        if (m_problem.empty()) {
            m_problem = std::move(problem);
        }
    }
    const std::string& Problem() const { return m_problem; }

private:
    const std::vector<std::string_view>& m_header;
    const std::vector<std::string_view>& m_fields;
    std::string m_problem;
};

constexpr double kHuge = 1e6;

// The highest ambient temperature the design search takes: a junction
// rated no higher could never be used.
constexpr double kHighestAmbientC = 100.0;

// What a file states, in a comment line of its own, to replace shipped
// parts by its parts of the same ids.
constexpr std::string_view kReplacesShipped = "# replaces shipped parts";

std::optional<EKind> KindOfHeader(const std::vector<std::string_view>& header) {
    const std::set<std::string_view> given(header.begin(), header.end());
    if (given.size() != header.size()) {
        return std::nullopt;
    }
    for (const CKindSpec& spec : kKinds) {
        std::set<std::string_view> required;
        for (std::string_view column : spec.columns) {
            if (!column.empty()) {
                required.insert(column);
            }
        }
        std::set<std::string_view> allowed = required;
        for (std::string_view column : spec.optional) {
            if (!column.empty()) {
                allowed.insert(column);
            }
        }
        const bool hasRequired =
            std::includes(given.begin(), given.end(), required.begin(), required.end());
        const bool onlyAllowed =
            std::includes(allowed.begin(), allowed.end(), given.begin(), given.end());
        if (hasRequired && onlyAllowed) {
            return spec.kind;
        }
    }
    return std::nullopt;
}

// What one file adds, taken only when every line is good.
struct CParts {
    std::vector<CTransformerPart> transformers;
    std::vector<CRectifierPart> rectifiers;
    std::vector<CCapacitorPart> capacitors;
    std::vector<CRegulatorPart> regulators;
    std::vector<CHeatSinkPart> heatSinks;
    std::vector<CAccessoryPart> accessories;
};

// A number column of a part: its name, the range it must lie in, and the
// member it sets.
template <class T>
struct CNumberColumn {
    std::string_view column;
    double low;
    double high;
    double T::*member;
};

// clang-format off
constexpr std::array<CNumberColumn<CRectifierPart>, 3> kRectifierNumbers = {{
    {"current_a", 1e-3, kHuge, &CRectifierPart::currentA},
    {"surge_a",   1e-3, kHuge, &CRectifierPart::surgeA},
    {"vrrm_v",    1.0,  kHuge, &CRectifierPart::reverseV},
}};
constexpr std::array<CNumberColumn<CRegulatorPart>, 8> kRegulatorNumbers = {{
    {"output_v",         0.0,  1000.0, &CRegulatorPart::outputV},
    {"max_current_a",    1e-3, 1000.0, &CRegulatorPart::maxCurrentA},
    {"dropout_v",        1e-3, 100.0,  &CRegulatorPart::dropoutV},
    {"tj_max_c",         kHighestAmbientC + 1.0, 300.0, &CRegulatorPart::junctionMaxC},
    {"theta_jc_k_per_w", 1e-3, 1000.0, &CRegulatorPart::thetaJcKPerW},
    {"theta_ja_k_per_w", 1e-3, 1000.0, &CRegulatorPart::thetaJaKPerW},
    {"max_input_v",      0.0,  1e4,    &CRegulatorPart::maxInputV},
    {"max_in_out_v",     0.0,  1e4,    &CRegulatorPart::maxInOutV},
}};
constexpr std::array<CNumberColumn<CHeatSinkPart>, 2> kHeatSinkNumbers = {{
    {"theta_k_per_w", 1e-3, 1000.0, &CHeatSinkPart::thetaKPerW},
    {"size_cm3",      0.0, kHuge,  &CHeatSinkPart::sizeCm3},
}};
// clang-format on

// A part of one row: its id, name and origin.
template <class T>
T Named(CRow& row, const std::string& origin) {
    T part;
    part.id = row.Text("id");
    part.name = row.Text("name");
    part.origin = origin;
    return part;
}

// Reads the number columns into the part, in the table's order.
template <class T, std::size_t N>
void ReadNumbers(CRow& row, T& part, const std::array<CNumberColumn<T>, N>& columns) {
    for (const CNumberColumn<T>& c : columns) {
        part.*(c.member) = row.Value(c.column, c.low, c.high);
    }
}

// The column "kind", one of two words: true for the second.
bool KindIs(CRow& row, std::string_view first, std::string_view second) {
    const std::string_view kind = row.Text("kind");
    if (kind != first && kind != second) {
        row.Fail("column kind: \"" + std::string(first) + "\" or \"" + std::string(second) +
                 "\", not \"" + std::string(kind) + "\"");
    }
    return kind == second;
}

template <class T>
void AddIfGood(const CRow& row, std::vector<T>& to, T part) {
    if (row.Problem().empty()) {
        to.push_back(std::move(part));
    }
}

// The optional maker, part number and price of a part.
template <class T>
void ReadMaker(CRow& row, T& part, std::string_view priceColumn = "price_eur") {
    part.manufacturer = row.OptionalText("manufacturer");
    part.mpn = row.OptionalText("mpn");
    part.priceEur = row.OptionalValue(priceColumn, 0.0, 1e5, 0.0);
}

// The three-character capacitance code of a value in uF ("472": 47 x 10^2).
std::string CapacitanceCode(double uf) {
    if (!(uf >= 1.0)) {
        return Shortest(uf);
    }
    int exponent = 0;
    double digits = uf;
    while (digits >= 99.5) {
        digits /= 10.0;
        ++exponent;
    }
    const int two = static_cast<int>(std::lround(digits));
    if (two < 10) {
        return Shortest(uf);
    }
    return std::to_string(two) + std::to_string(exponent);
}

// The makers' two-character code of a rated voltage ("1V": 35 V).
std::string VoltageCode(double volts) {
    static constexpr std::array<std::pair<double, std::string_view>, 15> kCodes = {{
        {6.3, "0J"},
        {10, "1A"},
        {16, "1C"},
        {25, "1E"},
        {35, "1V"},
        {50, "1H"},
        {63, "1J"},
        {80, "1K"},
        {100, "2A"},
        {160, "2C"},
        {200, "2D"},
        {250, "2E"},
        {350, "2V"},
        {400, "2G"},
        {450, "2W"},
    }};
    for (const auto& [v, code] : kCodes) {
        if (v == volts) {
            return std::string(code);
        }
    }
    return Shortest(volts) + "V";
}

// A series of transformers: a part for each secondary voltage.
void ParseTransformers(CRow& row, const std::string& origin, CParts& parts) {
    const std::string series(row.Text("series"));
    const double va = row.Value("va", 0.1, kHuge);
    const double regulation = row.Value("regulation_pct", 0.0, 200.0);
    const double windings = row.Value("windings", 1.0, 2.0);
    const std::vector<double> voltages = row.List("secondary_v", 1000.0);
    CTransformerPart maker;
    ReadMaker(row, maker);
    if (windings != 1.0 && windings != 2.0) {
        row.Fail("column windings: 1 or 2");
    }
    if (!row.Problem().empty()) {
        return;
    }
    const int count = windings == 2.0 ? 2 : 1;
    for (double voltage : voltages) {
        CTransformerPart part;
        part.series = series;
        part.va = va;
        part.regulationPct = regulation;
        part.windings = count;
        part.secondaryV = voltage;
        part.id = series + "-" + Shortest(va) + "VA-" + (count == 2 ? "2x" : "") +
                  Shortest(voltage) + "V";
        part.manufacturer = maker.manufacturer;
        part.mpn = Filled(Filled(maker.mpn, "va", Shortest(va)), "v", Shortest(voltage));
        part.priceEur = maker.priceEur;
        part.origin = origin;
        parts.transformers.push_back(part);
    }
}

// A diode or bridge, its threshold and bulk resistance fitted from two
// forward points.
void ParseRectifier(CRow& row, const std::string& origin, CParts& parts) {
    CRectifierPart part = Named<CRectifierPart>(row, origin);
    part.bridge = KindIs(row, "diode", "bridge");
    ReadNumbers(row, part, kRectifierNumbers);
    const double vf1 = row.Value("vf1_v", 0.0, 10.0);
    const double if1 = row.Value("if1_a", 0.0, kHuge);
    const double vf2 = row.Value("vf2_v", 0.0, 10.0);
    const double if2 = row.Value("if2_a", 0.0, kHuge);
    ReadMaker(row, part);
    part.junctionMaxC = row.OptionalValue("tj_max_c", kHighestAmbientC + 1.0, 300.0, 150.0);
    // Without thermal data: those of the smallest shipped parts of the kind.
    part.thetaJaKPerW =
        row.OptionalValue("theta_ja_k_per_w", 1e-3, 1000.0, part.bridge ? 36.0 : 50.0);
    part.thetaJcKPerW =
        row.OptionalValue("theta_jc_k_per_w", 0.0, 1000.0, part.bridge ? 13.0 : 25.0);
    if (row.Problem().empty() && (if2 <= if1 || vf2 < vf1)) {
        row.Fail(
            "the second forward point must lie above the first (if2_a > if1_a, "
            "vf2_v >= vf1_v)");
    }
    if (!row.Problem().empty()) {
        return;
    }
    part.bulkOhm = (vf2 - vf1) / (if2 - if1);
    part.thresholdV = vf1 - part.bulkOhm * if1;
    if (part.thresholdV <= 0.0) {
        row.Fail("the two forward points give no positive threshold voltage");
        return;
    }
    parts.rectifiers.push_back(part);
}

// A series of capacitors: the E6 values from min_uf to max_uf at each
// voltage, the ripple-current rating by its scaling rule.
void ParseCapacitors(CRow& row, const std::string& origin, CParts& parts) {
    const std::string series(row.Text("series"));
    const std::string name(row.Text("name"));
    const double low = row.Value("min_uf", 1e-3, 1e7);
    const double high = row.Value("max_uf", 1e-3, 1e7);
    const std::vector<double> voltages = row.List("voltages_v", 1e4);
    const double rippleK = row.Value("ripple_k", 0.0, 1.0);
    const double lowFrequency = row.Value("low_frequency_factor", 0.01, 1.0);
    const double temperature = row.Value("temp_c", -55.0, 200.0);
    const double life = row.Value("life_h", 1.0, kHuge);
    CCapacitorPart maker;
    ReadMaker(row, maker, "price_k_eur");
    if (row.Problem().empty() && high < low) {
        row.Fail("max_uf lies below min_uf");
    }
    if (!row.Problem().empty()) {
        return;
    }
    for (double decade = std::pow(10.0, std::floor(std::log10(low))); decade <= high;
         decade *= 10.0) {
        for (double step : kE6) {
            // Rounded to three significant digits: 4.7 x 1000, not 4699.99...
            const double value = std::round(step * decade * 1000.0) / 1000.0;
            if (value < low * (1.0 - 1e-9) || value > high * (1.0 + 1e-9)) {
                continue;
            }
            for (double voltage : voltages) {
                CCapacitorPart part;
                part.id = series + "-" + Shortest(value) + "uF-" + Shortest(voltage) + "V";
                part.name = name;
                part.capacitanceUf = value;
                part.voltageV = voltage;
                part.rippleA = rippleK * std::sqrt(value * voltage);
                part.lowFrequencyFactor = lowFrequency;
                part.temperatureC = temperature;
                part.lifeH = life;
                part.manufacturer = maker.manufacturer;
                part.mpn = Filled(
                    Filled(Filled(Filled(maker.mpn, "uf", Shortest(value)), "v", Shortest(voltage)),
                           "ccode", CapacitanceCode(value)),
                    "vcode", VoltageCode(voltage));
                // price_k_eur x (C / uF x U / V)^0.6: a fit to a series' prices.
                part.priceEur = maker.priceEur * std::pow(value * voltage, 0.6);
                part.origin = origin;
                parts.capacitors.push_back(part);
            }
        }
    }
}

// A regulator, with the optional application data the parts list takes.
void ParseRegulator(CRow& row, const std::string& origin, CParts& parts) {
    CRegulatorPart part = Named<CRegulatorPart>(row, origin);
    ReadNumbers(row, part, kRegulatorNumbers);
    ReadMaker(row, part);
    part.maxPowerW = row.OptionalValue("max_power_w", 0.0, 1e4, 0.0);
    part.inputCapacitorUf = row.OptionalValue("cin_uf", 0.0, 1e4, 0.0);
    part.outputCapacitorUf = row.OptionalValue("cout_uf", 0.0, 1e4, 0.0);
    part.r1Ohm = row.OptionalValue("r1_ohm", 1.0, 1e6, 240.0);
    part.referenceV = row.OptionalValue("vref_v", 0.5, 10.0, 1.25);
    part.referenceMinV = row.OptionalValue("vref_min_v", 0.5, 10.0, part.referenceV * 0.96);
    part.referenceMaxV = row.OptionalValue("vref_max_v", 0.5, 10.0, part.referenceV * 1.04);
    part.adjustCurrentUa = row.OptionalValue("iadj_max_ua", 0.0, 1e4, 100.0);
    const std::string polarity = row.OptionalText("polarity", "positive");
    if (polarity == "negative") {
        part.negative = true;
    } else if (polarity != "positive" && row.Problem().empty()) {
        row.Fail("column polarity: \"" + polarity + "\" is neither \"positive\" nor \"negative\"");
    }
    if (row.Problem().empty() &&
        !(part.referenceMinV <= part.referenceV && part.referenceV <= part.referenceMaxV)) {
        row.Fail("vref_min_v <= vref_v <= vref_max_v does not hold");
    }
    AddIfGood(row, parts.regulators, std::move(part));
}

// A fuse, inrush limiter, resistor series or small capacitor.
void ParseAccessory(CRow& row, const std::string& origin, CParts& parts) {
    CAccessoryPart part;
    part.id = row.Text("id");
    const std::string_view kind = row.Text("kind");
    if (kind == "fuse") {
        part.kind = EAccessory::kFuse;
    } else if (kind == "ntc") {
        part.kind = EAccessory::kInrushLimiter;
    } else if (kind == "resistor") {
        part.kind = EAccessory::kResistor;
    } else if (kind == "capacitor") {
        part.kind = EAccessory::kCapacitor;
    } else {
        row.Fail("column kind: \"fuse\", \"ntc\", \"resistor\" or \"capacitor\", not \"" +
                 std::string(kind) + "\"");
    }
    part.value = row.Value("value", 1e-6, kHuge);
    part.rating = row.Value("rating", 0.0, kHuge);
    part.description = row.Text("description");
    ReadMaker(row, part);
    part.origin = origin;
    AddIfGood(row, parts.accessories, std::move(part));
}

std::string ParseRow(EKind kind, CRow& row, const std::string& origin, CParts& parts) {
    switch (kind) {
        case EKind::kTransformers:
            ParseTransformers(row, origin, parts);
            break;
        case EKind::kRectifiers:
            ParseRectifier(row, origin, parts);
            break;
        case EKind::kCapacitors:
            ParseCapacitors(row, origin, parts);
            break;
        case EKind::kRegulators:
            ParseRegulator(row, origin, parts);
            break;
        case EKind::kHeatSinks: {
            CHeatSinkPart part = Named<CHeatSinkPart>(row, origin);
            part.pad = KindIs(row, "sink", "pad");
            ReadNumbers(row, part, kHeatSinkNumbers);
            ReadMaker(row, part);
            AddIfGood(row, parts.heatSinks, std::move(part));
            break;
        }
        case EKind::kAccessories:
            ParseAccessory(row, origin, parts);
            break;
    }
    return row.Problem();
}

template <class T>
void Append(std::vector<T>& to, std::vector<T>& from) {
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

}  // namespace

std::string CCatalogueProblem::Text() const {
    return file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + why;
}

double CCapacitorPart::LifeAt(double ambientC) const {
    return lifeH * std::pow(2.0, (temperatureC - ambientC) / 10.0);
}

namespace {

// Every id of the catalogue, whatever the kind: one id names one part.
std::set<std::string, std::less<>> IdsOf(const CCatalogue& catalogue) {
    std::set<std::string, std::less<>> ids;
    const auto add = [&ids](const auto& parts) {
        for (const auto& part : parts) {
            ids.insert(part.id);
        }
    };
    add(catalogue.transformers);
    add(catalogue.rectifiers);
    add(catalogue.capacitors);
    add(catalogue.regulators);
    add(catalogue.heatSinks);
    add(catalogue.accessories);
    return ids;
}

// The ids of the parts from index `from` on.
template <class T>
void NewIds(const std::vector<T>& parts, std::size_t from, std::vector<std::string_view>& ids) {
    for (std::size_t i = from; i < parts.size(); ++i) {
        ids.emplace_back(parts[i].id);
    }
}

std::size_t PartCount(const CParts& parts) {
    return parts.transformers.size() + parts.rectifiers.size() + parts.capacitors.size() +
           parts.regulators.size() + parts.heatSinks.size() + parts.accessories.size();
}

// The parts that did not come with the program.
std::size_t UserParts(const CCatalogue& catalogue) {
    std::size_t count = 0;
    const auto add = [&count](const auto& parts) {
        count += static_cast<std::size_t>(std::count_if(
            parts.begin(), parts.end(), [](const auto& part) { return part.origin != "shipped"; }));
    };
    add(catalogue.transformers);
    add(catalogue.rectifiers);
    add(catalogue.capacitors);
    add(catalogue.regulators);
    add(catalogue.heatSinks);
    add(catalogue.accessories);
    return count;
}

// Drops the shipped parts whose ids are replaced.
template <class T>
void DropReplaced(std::vector<T>& parts, const std::set<std::string, std::less<>>& replaced) {
    std::erase_if(parts, [&replaced](const T& part) {
        return part.origin == "shipped" && replaced.contains(part.id);
    });
}

bool IsShipped(const CCatalogue& catalogue, EKind kind, std::string_view id) {
    const auto shipped = [id](const auto& parts) {
        return std::any_of(parts.begin(), parts.end(), [id](const auto& part) {
            return part.origin == "shipped" && part.id == id;
        });
    };
    switch (kind) {
        case EKind::kTransformers:
            return shipped(catalogue.transformers);
        case EKind::kRectifiers:
            return shipped(catalogue.rectifiers);
        case EKind::kCapacitors:
            return shipped(catalogue.capacitors);
        case EKind::kRegulators:
            return shipped(catalogue.regulators);
        case EKind::kHeatSinks:
            return shipped(catalogue.heatSinks);
        case EKind::kAccessories:
            return shipped(catalogue.accessories);
    }
    return false;
}

}  // namespace

bool CCatalogue::AddText(std::string_view text, const std::string& fileName,
                         const std::string& origin) {
    CParts parts;
    std::vector<std::string_view> header;
    std::optional<EKind> kind;
    int lineNumber = 0;
    const auto refuse = [&](int line, const std::string& why) {
        problems.push_back({fileName, line, why});
        return false;
    };
    if (text.starts_with("\xEF\xBB\xBF")) {
        return refuse(1,
                      "the file starts with a UTF-8 byte-order mark (as spreadsheets export "
                      "it); save it as plain text or UTF-8 without one");
    }
    // Ids already taken, the ids of this file, and the shipped ids it replaces.
    const std::set<std::string, std::less<>> taken = IdsOf(*this);
    std::set<std::string, std::less<>> own;
    std::set<std::string, std::less<>> replaced;
    bool replacesShipped = false;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line == kReplacesShipped) {
            replacesShipped = true;
            continue;
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::vector<std::string_view> fields = Split(line, ',');
        if (!kind) {
            header = fields;
            kind = KindOfHeader(header);
            if (!kind && KindOfHeader(Split(line, ';'))) {
                return refuse(lineNumber,
                              "the columns are separated by semicolons (as spreadsheets export "
                              "them in some languages); the catalogue takes commas");
            }
            if (!kind) {
                return refuse(lineNumber,
                              "the column names are not those of a catalogue of transformers, "
                              "rectifiers, capacitors, regulators, heat sinks or accessories");
            }
            continue;
        }
        if (fields.size() != header.size()) {
            return refuse(lineNumber, std::to_string(fields.size()) +
                                          " fields where the header has " +
                                          std::to_string(header.size()) +
                                          (fields.size() == 1 && line.find(';') != line.npos
                                               ? " (the catalogue takes commas, not semicolons)"
                                               : ""));
        }
        const std::size_t before[] = {parts.transformers.size(), parts.rectifiers.size(),
                                      parts.capacitors.size(),   parts.regulators.size(),
                                      parts.heatSinks.size(),    parts.accessories.size()};
        CRow row(header, fields);
        const std::string problem = ParseRow(*kind, row, origin, parts);
        if (!problem.empty()) {
            return refuse(lineNumber, problem);
        }
        if (PartCount(parts) > kMaxPartsPerFile) {
            return refuse(lineNumber, "the file holds more than " +
                                          std::to_string(kMaxPartsPerFile) +
                                          " parts (a series counts each of its values)");
        }
        std::vector<std::string_view> ids;
        NewIds(parts.transformers, before[0], ids);
        NewIds(parts.rectifiers, before[1], ids);
        NewIds(parts.capacitors, before[2], ids);
        NewIds(parts.regulators, before[3], ids);
        NewIds(parts.heatSinks, before[4], ids);
        NewIds(parts.accessories, before[5], ids);
        for (const std::string_view id : ids) {
            if (!own.emplace(id).second) {
                return refuse(lineNumber,
                              "the id \"" + std::string(id) + "\" is given twice in this file");
            }
            if (taken.contains(id)) {
                if (!replacesShipped || !IsShipped(*this, *kind, id)) {
                    return refuse(lineNumber,
                                  "the id \"" + std::string(id) + "\" is already in the catalogue" +
                                      (IsShipped(*this, *kind, id)
                                           ? std::string(" (a shipped part; a file that "
                                                         "replaces shipped parts says \"") +
                                                 std::string(kReplacesShipped) + "\")"
                                           : std::string()));
                }
                replaced.emplace(id);
            }
        }
    }
    if (!kind) {
        return refuse(lineNumber, "no column names and no parts");
    }
    if (origin != "shipped" && UserParts(*this) + PartCount(parts) > kMaxUserParts) {
        return refuse(0, "the user's catalogues would hold more than " +
                             std::to_string(kMaxUserParts) +
                             " parts with this file (a series counts each of its values)");
    }
    DropReplaced(transformers, replaced);
    DropReplaced(rectifiers, replaced);
    DropReplaced(capacitors, replaced);
    DropReplaced(regulators, replaced);
    DropReplaced(heatSinks, replaced);
    DropReplaced(accessories, replaced);
    Append(transformers, parts.transformers);
    Append(rectifiers, parts.rectifiers);
    Append(capacitors, parts.capacitors);
    Append(regulators, parts.regulators);
    Append(heatSinks, parts.heatSinks);
    Append(accessories, parts.accessories);
    return true;
}

CCatalogue ShippedCatalogue() {
    CCatalogue catalogue;
    for (const CShippedCatalogueFile& file : kShippedCatalogueFiles) {
        catalogue.AddText(file.text, std::string(file.name), "shipped");
    }
    return catalogue;
}

std::filesystem::path UserCatalogueFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return std::filesystem::path(data) / "ohmrada" / "catalog";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::filesystem::path(home) / ".local" / "share" / "ohmrada" / "catalog";
    }
    return {};
}

bool AddCatalogueFile(CCatalogue& catalogue, const std::filesystem::path& path) {
    const std::string name = path.string();
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    if (error) {
        catalogue.problems.push_back({name, 0, "cannot read it: " + error.message()});
        return false;
    }
    if (std::filesystem::is_symlink(status)) {
        catalogue.problems.push_back({name, 0, "a symbolic link, not read"});
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        catalogue.problems.push_back({name, 0, "not a regular file"});
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        catalogue.problems.push_back({name, 0, "cannot open it"});
        return false;
    }
    std::string text(kMaxCatalogueFileBytes + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > kMaxCatalogueFileBytes) {
        catalogue.problems.push_back({name, 0, "larger than 64 KiB, not read"});
        return false;
    }
    return catalogue.AddText(text, name, name);
}

CCatalogue LoadCatalogue() {
    CCatalogue catalogue = ShippedCatalogue();
    const std::filesystem::path folder = UserCatalogueFolder();
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
        return catalogue;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".csv") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i < kMaxUserFiles) {
            AddCatalogueFile(catalogue, files[i]);
        } else {
            catalogue.problems.push_back({files[i].string(), 0,
                                          "not read: the folder holds more than " +
                                              std::to_string(kMaxUserFiles) + " catalogue files"});
        }
    }
    return catalogue;
}

}  // namespace ohmrada

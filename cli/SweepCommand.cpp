// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc sweep: one input over a range, one cycle per point.
#include <chrono>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>

#include "AnalysisCommands.h"
#include "AnalysisTexts.h"
#include "CircuitMeasurements.h"
#include "DesignCircuit.h"
#include "FormText.h"
#include "FormTexts.h"
#include "NamedValues.h"
#include "NumberText.h"
#include "SweepTable.h"
#include "TextEscape.h"
#include "TextTable.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kCommand = "sweep";

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc sweep NAME=FROM:TO:COUNT[:log] [--set NAME=TEXT]...\n"
    "                          [--format csv|json|table] [--leakage-inductance MH]\n"
    "                          [--closed-form] [--simulate] [--] [FILE|-]\n";

constexpr std::string_view kHelp =
    "Sweeps one input of the design (the file as the form opens it, after\n"
    "--set; without FILE the start-up design) from FROM to TO in COUNT points\n"
    "(2 to 1000000), evenly spaced, or evenly on a logarithmic scale with :log\n"
    "(FROM and TO above zero). NAME is one of NennU LeerU NennI DiffU BahnR\n"
    "KondC Ubger Ib Rja Tu DeltU ReglR.\n"
    "\n"
    "Each point is a fresh copy of the design with the point's value handed to\n"
    "the input's setter as the form hands it a typed number, so the form's\n"
    "rules apply: a value at or below 0.0001 is raised to 0.0001 where the form\n"
    "does so, and with the centre tap (Mitte 1) NennU and LeerU are typed as\n"
    "the half winding's and held doubled. Then one recalculation cycle.\n"
    "\n"
    "Per point: the input's value as the form shows it (named by NAME; a winding\n"
    "voltage per half while Mitte is 1, as FROM and TO are given), the\n"
    "sixteen results by name, target_held (the cycle showed no regulation\n"
    "message) and overloaded (the power drawn exceeds the point's rated\n"
    "power). Then the rectifier circuit's periodic steady state at the point\n"
    "(see worst-case --help): its measurements by the simulation's names with\n"
    "circuit_ for sim_ (circuit_mean_voltage_v, circuit_minimum_voltage_v,\n"
    "circuit_winding_rms_current_a, ...), and circuit_headroom_v, the\n"
    "circuit's minimum - DeltU - Ubger (held where it is not negative); empty\n"
    "(null) where the circuit cannot be solved. A symmetric supply's negative\n"
    "rail follows as magnitudes: circuit_negative_mean_voltage_v,\n"
    "circuit_negative_minimum_voltage_v, circuit_negative_maximum_voltage_v,\n"
    "circuit_negative_ripple_voltage_v, circuit_negative_capacitor_rms_current_a.\n"
    "\n"
    "Options:\n"
    "  --set NAME=TEXT  as for the form command (repeatable, in order)\n"
    "  --leakage-inductance MH  the circuit's leakage inductance per winding\n"
    "                   in millihenries, 0 to 1000, default 0\n"
    "  --closed-form    the cycle's columns only, without the circuit's\n"
    "  --format FMT     csv (default: a header and a row per point), json (an\n"
    "                   array with one object with its \"points\"), or table\n"
    "                   (German, for people)\n";

constexpr std::string_view kExitStatus =
    "\n"
    "A sweep that runs longer than a second reports its progress on standard\n"
    "error (\"ohmrada-calc: sweep: N of COUNT points\").\n"
    "\n"
    "Exit status: 0 on success; 2 on a usage error, or when the input cannot be\n"
    "read (nothing is printed).\n";

namespace ta = texts::analysis;
namespace tc = texts::calc;

std::string_view WithoutColon(std::string_view label) {
    if (!label.empty() && label.back() == ':') {
        label.remove_suffix(1);
    }
    return label;
}

// Renders the points of one sweep as they come and hands the text to the
// output in pieces, so that a million points need no more memory than a few.
// It is made only once the input has been loaded: from then on nothing can
// fail but the output itself.
class CSweepText {
public:
    CSweepText(EFormat format, const CSweepSpec& spec, const std::optional<std::string>& input,
               const std::vector<std::string>& extra, bool streaming, std::ostream& out)
        : m_format(format),
          m_spec(spec),
          m_key(InputSpec(spec.input).key),
          m_extra(extra),
          m_out(out),
          m_streaming(streaming) {
        switch (m_format) {
            case EFormat::kCsv:
                m_text.append(SweepCsvHeader(m_spec.input, m_extra));
                break;
            case EFormat::kJson:
                JsonStart(input);
                break;
            case EFormat::kTable:
                TableStart(input);
                break;
        }
        if (m_streaming) {
            m_out << m_text << std::flush;
            m_text.clear();
        }
    }

    // False once the output failed: the sweep then stops at once.
    bool Point(const CSweepPoint& point, const std::vector<double>& extra) {
        switch (m_format) {
            case EFormat::kCsv:
                m_text.append(SweepCsvRow(point, m_spec.input, extra));
                break;
            case EFormat::kJson: {
                std::vector<std::pair<std::string_view, std::string>> members = {
                    {m_key, JsonNumber(point.design.Shown(m_spec.input))},
                    {"results", JsonObject(ResultsAsJson(point.evaluation), 10)},
                    {"target_held", std::string(BoolText(point.targetHeld))},
                    {"overloaded", std::string(BoolText(point.overloaded))},
                };
                for (std::size_t i = 0; i < extra.size() && i < m_extra.size(); ++i) {
                    members.emplace_back(m_extra[i], JsonNumber(extra[i]));
                }
                m_text.append(point.index == 0 ? "\n      " : ",\n      ");
                m_text.append(JsonObject(members, 8));
                break;
            }
            case EFormat::kTable: {
                std::vector<std::string> cells;
                cells.push_back(FormatFieldValue(point.design.Shown(m_spec.input),
                                                 InputSpec(m_spec.input).decimals));
                for (const CResultSpec& result : kResults) {
                    cells.push_back(FormatFieldValue(point.evaluation[result.result], 3));
                }
                cells.emplace_back(point.targetHeld ? Tr(ta::kYes) : Tr(ta::kNo));
                cells.emplace_back(point.overloaded ? Tr(ta::kYes) : Tr(ta::kNo));
                for (const double value : extra) {
                    cells.push_back(FormatFieldValue(static_cast<float>(value), 3));
                }
                TableRow(cells);
                break;
            }
        }
        if (m_streaming || m_text.size() >= kPieceSize) {
            m_out << m_text;
            m_text.clear();
            if (m_streaming) {
                m_out.flush();
            }
        }
        return static_cast<bool>(m_out);
    }

    void Finish() {
        if (m_format == EFormat::kJson) {
            m_text.append("\n    ]\n  }\n]\n");
        }
        m_out << m_text;
        m_text.clear();
    }

private:
    void JsonStart(const std::optional<std::string>& input) {
        const std::string sweep = JsonObject(
            {
                {"name", JsonString(m_key)},
                {"from", JsonNumber(m_spec.from)},
                {"to", JsonNumber(m_spec.to)},
                {"count", ShortestNumber(static_cast<double>(m_spec.count))},
                {"spacing", JsonString(m_spec.spacing == ESpacing::kLog ? "log" : "linear")},
            },
            6);
        m_text.append("[\n  {\n    \"input\": ");
        m_text.append(JsonStringOrNull(input));
        m_text.append(",\n    \"sweep\": ").append(sweep);
        m_text.append(",\n    \"points\": [");
    }

    void TableStart(const std::optional<std::string>& input) {
        m_text.append(Tr(kInputPrefix)).append(InputTitle(input)).push_back('\n');
        m_text.append(
            FillIn(Tr(tc::kSweepLine),
                   {std::string(m_key), ShortestNumber(m_spec.from), ShortestNumber(m_spec.to),
                    ShortestNumber(static_cast<double>(m_spec.count))}));
        m_text.append(m_spec.spacing == ESpacing::kLog ? Tr(tc::kSweepLogarithmic) : "");
        m_text.append("\n\n");
        std::vector<std::string> labels;
        std::vector<std::string> units;
        const res::CFieldTexts input_ = res::FieldTextsOf(InputSpec(m_spec.input).fieldId);
        labels.emplace_back(WithoutColon(Tr(input_.label)));
        units.emplace_back(Tr(input_.unit));
        for (const CResultSpec& result : kResults) {
            const res::CFieldTexts texts = res::FieldTextsOf(result.fieldId);
            labels.emplace_back(WithoutColon(Tr(texts.label)));
            units.emplace_back(Tr(texts.unit));
        }
        labels.emplace_back(Tr(tc::kHeldTitle));
        units.emplace_back();
        labels.emplace_back(Tr(tc::kOverloadTitle));
        units.emplace_back();
        for (const std::string& name : m_extra) {
            labels.push_back(name);
            units.emplace_back();
        }
        for (const std::string& label : labels) {
            m_widths.push_back(std::max<std::size_t>(DisplayWidth(label), 10) + 2);
        }
        TableRow(labels);
        TableRow(units);
    }

    void TableRow(const std::vector<std::string>& cells) {
        // The points come one by one, so the widths are the titles'; a wider
        // value still stands apart from its neighbour.
        for (std::size_t i = 0; i < cells.size() && i < m_widths.size(); ++i) {
            AppendRight(m_text, cells[i], m_widths[i]);
        }
        m_text.push_back('\n');
    }

    EFormat m_format;
    CSweepSpec m_spec;
    std::string_view m_key;
    std::vector<std::string> m_extra;
    std::vector<std::size_t> m_widths;
    std::ostream& m_out;
    bool m_streaming;
    std::string m_text;
    static constexpr std::size_t kPieceSize = std::size_t{1} << 20;
};

// The circuit's columns of a sweep point, as every front end writes them.
// Each point's search starts from the state of the point before (the first
// point of each sweep from the circuit's own estimate).
// A symmetric supply's negative rail follows its first rail's columns.
CSweepColumns CircuitColumns(const CAnalysisSettings& settings, bool dual) {
    CSweepColumns columns;
    columns.names = SweepCircuitColumnNames(dual);
    auto solver = std::make_shared<CSweepCircuitSolver>(settings);
    columns.measure = [solver, dual](const CSweepPoint& point) {
        return SweepCircuitColumns(solver->Solve(point), dual);
    };
    return columns;
}

// Progress on standard error for a sweep that runs longer than `after`:
// every 1 % of the points or after a second without a line, and at the end.
class CSweepProgress {
public:
    CSweepProgress(std::size_t total, std::chrono::milliseconds after, std::ostream& err)
        : m_total(total),
          m_every(total >= 100 ? total / 100 : 1),
          m_after(after),
          m_err(err),
          m_start(CClock::now()),
          m_last(m_start) {}

    void Done(std::size_t done) {
        const CClock::time_point now = CClock::now();
        if (now - m_start < m_after) {
            return;
        }
        if (m_shown && done % m_every != 0 && done != m_total &&
            now - m_last < std::chrono::seconds(1)) {
            return;
        }
        m_shown = true;
        m_last = now;
        m_err << kProgram << ": sweep: " << done << " of " << m_total << " points" << std::endl;
    }

private:
    using CClock = std::chrono::steady_clock;
    std::size_t m_total;
    std::size_t m_every;
    std::chrono::milliseconds m_after;
    std::ostream& m_err;
    CClock::time_point m_start;
    CClock::time_point m_last;
    bool m_shown = false;
};

}  // namespace

int RunSweepCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                    std::ostream& err, const CSweepExtension& extension) {
    std::vector<std::string> flags = extension.flags;
    flags.emplace_back(kClosedForm);
    const CParsed<CAnalysisOptions> parsed = ParseAnalysisArguments(
        args, {{EFormat::kCsv, EFormat::kJson, EFormat::kTable}, false, flags});
    if (const std::optional<int> status = EndsBeforeAnalysis(
            parsed, {kCommand, kUsage, {kHelp, extension.help, kExitStatus}}, out, err)) {
        return *status;
    }
    CAnalysisOptions options = *parsed.value;
    if (options.operands.empty()) {
        return ReportUsageError(kCommand, kUsage, "the sweep needs NAME=FROM:TO:COUNT[:log]", err);
    }
    const CParsed<CSweepSpec> spec = ParseSweepRange(options.operands.front());
    if (!spec.value) {
        return ReportUsageError(kCommand, kUsage, spec.problem, err);
    }
    options.operands.erase(options.operands.begin());
    const std::string_view name = InputSpec(spec.value->input).key;
    for (const std::string& operand : options.operands) {
        if (operand.starts_with(name) && operand.size() > name.size() &&
            operand[name.size()] == '=') {
            return ReportUsageError(kCommand, kUsage, std::string(name) + " given twice", err);
        }
    }
    if (options.operands.size() > 1) {
        return ReportUsageError(kCommand, kUsage, "the sweep takes at most one input", err);
    }
    const auto extensionColumns = [&](bool dual) {
        return extension.columns ? extension.columns(options, spec.value->count, dual)
                                 : CSweepColumns{};
    };
    // The circuit's columns first (unless --closed-form), then the caller's;
    // a symmetric design's columns end with its negative rail's.
    const auto columnsFor = [&](const CDesign& design) {
        const bool dual = design.circuitChoice.topology == ETopology::kDual;
        const CSweepColumns more = extensionColumns(dual);
        CSweepColumns columns = more;
        if (!ClosedForm(options)) {
            const CSweepColumns circuit = CircuitColumns(options.settings, dual);
            columns.names = circuit.names;
            columns.names.insert(columns.names.end(), more.names.begin(), more.names.end());
            columns.measure = [circuit, more](const CSweepPoint& point) {
                std::vector<double> values = circuit.measure(point);
                if (more.measure) {
                    const std::vector<double> extra = more.measure(point);
                    values.insert(values.end(), extra.begin(), extra.end());
                }
                return values;
            };
        }
        return columns;
    };
    const CSweepLimit limit = extension.limit ? extension.limit(options) : CSweepLimit{};
    if (limit.maxCount != 0 && spec.value->count > limit.maxCount) {
        return ReportUsageError(
            kCommand, kUsage,
            "with " + limit.limitedBy + " COUNT is at most " + std::to_string(limit.maxCount), err);
    }

    const bool ok = ForEachDesign(
        options, in, err, [&](const std::optional<std::string>& input, const CDesign& design) {
            const CSweepColumns columns = columnsFor(design);
            CSweepText sweep(options.format, *spec.value, input, columns.names, columns.streaming,
                             out);
            const std::vector<double> none;
            // Streaming columns (the simulation's) report their own progress.
            std::optional<CSweepProgress> progress;
            if (!columns.streaming) {
                progress.emplace(spec.value->count, extension.progressAfter, err);
            }
            RunSweep(design, *spec.value, [&](const CSweepPoint& point) {
                const bool written =
                    sweep.Point(point, columns.measure ? columns.measure(point) : none);
                if (progress) {
                    progress->Done(point.index + 1);
                }
                return written;
            });
            sweep.Finish();
        });
    return FinishOutput({}, ok, out, err);
}

}  // namespace ohmrada::cli

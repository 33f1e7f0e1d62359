// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of the desktop program that hold without a window: the dialog
// unit conversion, the templates against the form logic's field table, the
// help pages and how the program finds them, and the form's geometry.
#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "AboutTemplate.h"
#include "AnalysisWindowTable.h"
#include "Application.h"
#include "DialogUnits.h"
#include "FieldEdit.h"
#include "FieldTable.h"
#include "FormTemplate.h"
#include "FormWindow.h"
#include "HelpMap.h"
#include "HelpViewer.h"
#include "QtTestEnvironment.h"
#include "SpinButton.h"
#include "WindowIconPixels.h"
#include "WindowPlacement.h"

namespace ohmrada::qt::test {

namespace {

using res::EControlKind;

bool Contains(std::span<const int> ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

TEST(DialogUnitsTest, ScaleRoundsHalfAwayFromZero) {
    struct CCase {
        int value, numerator, denominator, expected;
    };
    constexpr CCase kCases[] = {
        {361, 7, 4, 632},   // 631.75
        {311, 13, 8, 505},  // 505.375
        {1, 6, 4, 2},       // 1.5
        {3, 5, 8, 2},       // 1.875
        {2, 5, 8, 1},       // 1.25
        {-1, 6, 4, -2},     // -1.5
        {0, 7, 4, 0},
    };
    for (const CCase& c : kCases) {
        EXPECT_EQ(ScaleRounded(c.value, c.numerator, c.denominator), c.expected)
            << c.value << " * " << c.numerator << " / " << c.denominator;
    }
}

TEST(DialogUnitsTest, NeighbouringRectanglesStayNeighbours) {
    const CDialogBaseUnits units{7, 13};
    // A spin control overlaps its field by 2 units.
    const QRect spin = units.ToPixels(101, 195, 11, 15);
    const QRect field = units.ToPixels(110, 195, 40, 14);
    EXPECT_EQ(spin.right() + 1 - field.left(), units.ToPixelsX(112) - units.ToPixelsX(110));
    // Rectangles that meet in units meet in pixels, whatever the rounding.
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(units.ToPixels(x, 0, 3, 1).right() + 1, units.ToPixels(x + 3, 0, 5, 1).left());
    }
}

TEST(FormTemplateTest, HoldsEveryFieldOfTheFormLogicWithItsStyle) {
    std::map<EControlKind, int> kinds;
    std::set<int> ids;
    for (const res::CControlTemplate& row : res::form::kControls) {
        ++kinds[row.kind];
        if (row.id != res::kNoId) {
            EXPECT_TRUE(ids.insert(row.id).second) << "id " << row.id << " twice";
        }
        EXPECT_GE(row.x, 0);
        EXPECT_GE(row.y, 0);
        EXPECT_LE(row.x + row.width, res::kFormTemplate.width) << row.text;
        EXPECT_LE(row.y + row.height, res::kFormTemplate.height) << row.text;
        if (row.kind == EControlKind::kEdit) {
            const bool input = Contains(kInputFieldIds, row.id);
            EXPECT_TRUE(input || Contains(kResultFieldIds, row.id)) << "edit " << row.id;
            EXPECT_EQ((row.style & res::kTabStop) != 0, input) << row.id;
            EXPECT_EQ((row.style & res::kReadOnly) != 0, !input) << row.id;
            EXPECT_EQ((row.style & res::kBorder) != 0, input) << row.id;
            EXPECT_EQ((row.style & res::kClientEdge) != 0, !input) << row.id;
            EXPECT_NE(row.style & res::kAlignRight, 0u) << row.id;
        } else {
            EXPECT_EQ((row.style & res::kTabStop) != 0, row.id == kIdCentreTap) << row.text;
        }
    }
    EXPECT_EQ(kinds[EControlKind::kEdit], 28);
    EXPECT_EQ(kinds[EControlKind::kCheckBox], 1);
    EXPECT_EQ(kinds[EControlKind::kRadioButton], 3);
    EXPECT_EQ(kinds[EControlKind::kSpin], 2);
    EXPECT_EQ(kinds[EControlKind::kGroupBox], 6);
    EXPECT_EQ(kinds[EControlKind::kText], 56);
    for (const int id : {kIdCentreTap, kIdHalfWave, kIdBridge, kIdCentreTapCircuit,
                         kIdTargetVoltageSpin, kIdLoadCurrentSpin}) {
        EXPECT_TRUE(ids.count(id)) << "no control " << id;
    }
}

// The pixels compiled into the program are the icon file's, every one
// (scripts/icon-pixels.py writes them from it).
TEST(WindowIconTest, PixelsAreTheIconFilesOwn) {
    const QImage file =
        QImage(QStringLiteral(OHMRADA_ICON_FILE)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(file.isNull());
    ASSERT_EQ(file.width(), kWindowIconSize);
    ASSERT_EQ(file.height(), kWindowIconSize);
    int differing = 0;
    for (int y = 0; y < kWindowIconSize; ++y) {
        for (int x = 0; x < kWindowIconSize; ++x) {
            const QRgb own = kWindowIconPixels[y * kWindowIconSize + x];
            differing += file.pixel(x, y) != own ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST(CommandLineTest, OneFileOrNothingAndOnlyHelpAndVersion) {
    struct CCase {
        const char* name;
        std::vector<std::string> arguments;
        const char* file;   // nullptr: none
        const char* error;  // a part of the message; nullptr: no error
    };
    const CCase cases[] = {
        {"nothing", {}, nullptr, nullptr},
        {"one file", {"/tmp/netzteil.odr"}, "/tmp/netzteil.odr", nullptr},
        {"a name with blanks", {"mein netzteil.odr"}, "mein netzteil.odr", nullptr},
        {"a dash in the middle", {"a-b.odr"}, "a-b.odr", nullptr},
        {"a leading dash written as a path", {"./-x.odr"}, "./-x.odr", nullptr},
        {"two files", {"a.odr", "b.odr"}, nullptr, "one file at most, not 2: 'a.odr' 'b.odr'"},
        {"an option", {"--hilfe"}, nullptr, "unknown option '--hilfe'"},
        {"an option after the file", {"a.odr", "-x"}, nullptr, "unknown option '-x'"},
        {"a lone dash", {"-"}, nullptr, "unknown option '-'"},
        {"the end of options", {"--", "a.odr"}, nullptr, "unknown option '--'"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CCommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.file.value_or("(none)"), c.file != nullptr ? c.file : "(none)");
        if (c.error == nullptr) {
            EXPECT_FALSE(line.error.has_value()) << *line.error;
        } else {
            ASSERT_TRUE(line.error.has_value());
            EXPECT_NE(line.error->find(c.error), std::string::npos) << *line.error;
            EXPECT_NE(line.error->find("Usage: ohmrada [FILE]"), std::string::npos);
        }
        EXPECT_FALSE(line.answer.has_value());
    }

    // The usage and the version are answers, wherever they stand.
    struct CAnswer {
        std::vector<std::string> arguments;
        const char* begins;
    };
    const CAnswer answers[] = {
        {{"--help"}, "Usage: ohmrada [FILE]\n"},
        {{"-h"}, "Usage: ohmrada [FILE]\n"},
        {{"a.odr", "b.odr", "--help"}, "Usage: ohmrada [FILE]\n"},
        {{"--version"}, "ohmrada 3.0\n"},
        {{"-platform", "offscreen", "-v"}, "ohmrada 3.0\n"},
    };
    for (const CAnswer& answer : answers) {
        const CCommandLine line = ParseCommandLine(answer.arguments);
        ASSERT_TRUE(line.answer.has_value()) << answer.arguments.back();
        EXPECT_EQ(line.answer->rfind(answer.begins, 0), 0u) << *line.answer;
        EXPECT_FALSE(line.error.has_value());
        EXPECT_FALSE(line.file.has_value());
        // One screen: at most 24 lines of at most 80 columns.
        EXPECT_LE(std::count(line.answer->begin(), line.answer->end(), '\n'), 24);
        std::size_t start = 0;
        for (std::size_t end = line.answer->find('\n'); end != std::string::npos;
             start = end + 1, end = line.answer->find('\n', start)) {
            EXPECT_LE(end - start, 80u);
        }
    }
}

TEST(HelpTest, FolderIsFoundBesideTheProgramFirstThenInShare) {
    struct CLayout {
        const char* name;
        bool beside;
        bool share;
        const char* expected;  // relative to the program's folder; nullptr: none
    };
    constexpr CLayout kLayouts[] = {
        {"beside only", true, false, "ohmrada-help"},
        {"installed only", false, true, "../share/ohmrada/help"},
        {"both", true, true, "ohmrada-help"},
        {"none", false, false, nullptr},
    };
    for (const CLayout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        QTemporaryDir root;
        QDir dir(root.path());
        ASSERT_TRUE(dir.mkpath(QStringLiteral("bin")));
        const QString exe = dir.filePath(QStringLiteral("bin"));
        // A folder without the contents page does not count.
        ASSERT_TRUE(dir.mkpath(QStringLiteral("bin/ohmrada-help")));
        const auto addPages = [](const QString& folder) {
            ASSERT_TRUE(QDir().mkpath(folder));
            QFile page(QDir(folder).filePath(QStringLiteral("index.html")));
            ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        };
        if (layout.beside) {
            addPages(QDir(exe).filePath(QStringLiteral("ohmrada-help")));
        }
        if (layout.share) {
            addPages(dir.filePath(QStringLiteral("share/ohmrada/help")));
        }
        const std::optional<QString> found = FindHelpFolder(exe);
        if (layout.expected == nullptr) {
            EXPECT_FALSE(found.has_value());
        } else {
            ASSERT_TRUE(found.has_value());
            EXPECT_EQ(*found,
                      QDir::cleanPath(QDir(exe).filePath(QString::fromUtf8(layout.expected))));
        }
    }
}

TEST(HelpTest, ContextsMapToPages) {
    EXPECT_EQ(HelpPageOf(131202), QStringLiteral("formular.html"));
    EXPECT_FALSE(HelpPageOf(131203).has_value());
    EXPECT_FALSE(HelpPageOf(0).has_value());
}

TEST(HelpTest, PagesOfTheBuildTreeAreCompleteAndLinkedTogether) {
    const QDir folder(QStringLiteral(OHMRADA_TEST_HELP_DIR));
    std::set<std::string> pages;
    for (const QString& name : folder.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        pages.insert(name.toStdString());
    }
    ASSERT_TRUE(pages.count(res::kHelpContentsPage));
    for (const res::CHelpTopic& topic : res::kHelpTopics) {
        EXPECT_TRUE(pages.count(topic.page)) << topic.page;
    }
    std::set<std::string> linked;
    const std::regex link(R"re(href="([^"#:]+)(#[^"]*)?")re");
    for (const std::string& page : pages) {
        QFile file(folder.filePath(QString::fromStdString(page)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const std::string html = file.readAll().toStdString();
        EXPECT_NE(html.find("charset=\"utf-8\""), std::string::npos) << page;
        for (auto it = std::sregex_iterator(html.begin(), html.end(), link);
             it != std::sregex_iterator(); ++it) {
            const std::string target = (*it)[1];
            EXPECT_TRUE(pages.count(target)) << page << " links to missing " << target;
            linked.insert(target);
        }
    }
    for (const std::string& page : pages) {
        EXPECT_TRUE(page == res::kHelpContentsPage || linked.count(page))
            << page << " is reached from no page";
    }
}

// Every window of the analysis table has its page, and the contents and
// the page of the menu "Analyse" link them all in the table's order, with no
// marker of the build left in any page.
TEST(HelpTest, TheContentsListEveryAnalysisWindowInTheTablesOrder) {
    const QDir folder(QStringLiteral(OHMRADA_TEST_HELP_DIR));
    for (const QString& name : folder.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        QFile page(folder.filePath(name));
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        EXPECT_FALSE(page.readAll().contains("<!-- analysis windows")) << name.toStdString();
    }
    for (const char* listing : {res::kHelpContentsPage, "analysefenster.html"}) {
        QFile contents(folder.filePath(QString::fromUtf8(listing)));
        ASSERT_TRUE(contents.open(QIODevice::ReadOnly));
        const std::string html = contents.readAll().toStdString();
        std::size_t previous = 0;
        for (const res::CAnalysisWindowEntry& window : res::kAnalysisWindowTable) {
            EXPECT_TRUE(folder.exists(QString::fromUtf8(window.helpPage))) << window.helpPage;
            const std::size_t at = html.find(std::string("<a href=\"") + window.helpPage + "\">" +
                                             window.title + "</a>");
            ASSERT_NE(at, std::string::npos) << listing << ": " << window.title;
            EXPECT_GT(at, previous) << listing << ": " << window.title;
            previous = at;
        }
    }
}

// The form's widgets as they stand on screen.
using QtFormGeometryTest = QtWindowTest;

TEST_F(QtFormGeometryTest, FormKeepsItsProportionsAndNothingCoversAField) {
    const CDialogBaseUnits& units = Window().Units();
    const QFrame& client = *Window().ClientArea();
    const int edge = client.frameWidth();
    EXPECT_EQ(client.contentsRect().size(), QSize(units.ToPixelsX(res::kFormTemplate.width),
                                                  units.ToPixelsY(res::kFormTemplate.height)));
    ASSERT_EQ(Window().Controls().size(), 96u);

    std::vector<QRect> fields;
    for (const CBuiltControl& control : Window().Controls()) {
        const res::CControlTemplate& row = *control.row;
        const QRect at = control.outer->geometry().translated(-edge, -edge);
        EXPECT_TRUE(client.contentsRect().translated(-edge, -edge).contains(at)) << row.text;
        if (row.kind == EControlKind::kEdit) {
            fields.push_back(control.outer->geometry());
            EXPECT_EQ(at, units.ToPixels(row.x, row.y, row.width, row.height)) << row.id;
        }
    }
    // Texts may grow to their whole line, but never onto a field.
    for (const CBuiltControl& control : Window().Controls()) {
        if (control.row->kind != EControlKind::kText) {
            continue;
        }
        const auto* label = static_cast<const QLabel*>(control.widget);
        EXPECT_GE(label->width(), label->sizeHint().width()) << control.row->text << " is cut";
        for (const QRect& field : fields) {
            EXPECT_FALSE(label->geometry().intersects(field)) << control.row->text;
        }
    }
}

TEST_F(QtFormGeometryTest, SpinControlsLieOverTheLeftEdgeOfTheirFields) {
    for (const auto& [spinId, fieldId] : {std::pair{kIdTargetVoltageSpin, kIdTargetVoltage},
                                          std::pair{kIdLoadCurrentSpin, kIdLoadCurrent}}) {
        CSpinButton* spin = Window().Spin(spinId);
        ASSERT_NE(spin, nullptr);
        const QRect spinRect = spin->parentWidget() == Window().ClientArea()
                                   ? spin->geometry()
                                   : spin->parentWidget()->geometry();
        const QRect fieldRect = Field(fieldId).geometry();
        const QRect overlap = spinRect.intersected(fieldRect);
        ASSERT_FALSE(overlap.isEmpty()) << spinId;
        QWidget* top = Window().ClientArea()->childAt(overlap.center());
        EXPECT_TRUE(top == spin || spin->isAncestorOf(top) || top->isAncestorOf(spin))
            << "the spin control " << spinId << " lies under its field";
    }
}

TEST_F(QtFormGeometryTest, FieldsAreRightAlignedInputsTypeableResultsOnlySelectable) {
    for (const int id : kInputFieldIds) {
        QLineEdit& field = Field(id);
        EXPECT_FALSE(field.isReadOnly()) << id;
        EXPECT_TRUE(field.hasFrame()) << id;
        EXPECT_EQ(field.focusPolicy(), Qt::StrongFocus) << id;
        EXPECT_TRUE(field.alignment() & Qt::AlignRight) << id;
    }
    for (const int id : kResultFieldIds) {
        QLineEdit& field = Field(id);
        EXPECT_TRUE(field.isReadOnly()) << id;
        EXPECT_FALSE(field.hasFrame()) << id;
        EXPECT_EQ(field.focusPolicy(), Qt::ClickFocus) << id;
        EXPECT_TRUE(field.alignment() & Qt::AlignRight) << id;
        const auto* edge = qobject_cast<const QFrame*>(field.parentWidget());
        ASSERT_NE(edge, nullptr) << id;
        EXPECT_EQ(edge->frameShadow(), QFrame::Sunken) << id;
    }
    // A result can be selected and copied, not changed.
    QLineEdit& result = Field(kIdEfficiency);
    QTest::mouseClick(&result, Qt::LeftButton);
    QTest::keyClick(&result, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(result.selectedText(), QStringLiteral("68.901"));
    QTest::keyClicks(&result, QStringLiteral("12"));
    EXPECT_EQ(result.text(), QStringLiteral("68.901"));
}

namespace {

// The lowest row of a rectangle of an image that holds a dark pixel (text),
// or -1.
int LowestInk(const QImage& image, const QRect& area) {
    for (int y = area.bottom(); y >= area.top(); --y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 110) {
                return y;
            }
        }
    }
    return -1;
}

}  // namespace

TEST_F(QtFormGeometryTest, TextsBesideAFieldStandOnTheBaselineOfItsText) {
    // A text beside a field is its template row just before the field (the
    // label) or just after it (the unit); only texts without descenders, whose
    // lowest ink lies on the baseline, as the field's digits do.
    struct CCase {
        int field;
        bool label;  // else the unit
        const char* text;
    };
    constexpr CCase kCases[] = {
        {kIdRatedCurrent, true, "Nennstrom:"},
        {kIdThermalResistance, true, "Wärmewiderstand:"},
        {kIdRegulatorResistance, true, "Innenwiderstand:"},
        {kIdRegulatorResistance, false, "Ohm"},
        {kIdRatedVoltage, false, "Volt"},
        {kIdInternalResistance, true, "Innenwiderstand:"},
        {kIdInputPower, false, "Watt"},
        {kIdMeanCurrent, true, "Mittlerer Strom:"},
        {kIdEfficiency, false, "%"},
    };
    QWidget& client = *Window().ClientArea();
    const QImage image = client.grab().toImage();
    const std::vector<CBuiltControl>& controls = Window().Controls();
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.text);
        const auto at = std::find_if(controls.begin(), controls.end(),
                                     [&](const CBuiltControl& b) { return b.row->id == c.field; });
        ASSERT_NE(at, controls.end());
        const CBuiltControl& text = c.label ? *(at - 1) : *(at + 1);
        ASSERT_STREQ(text.row->text, c.text);
        const auto* field = static_cast<const CFieldEdit*>(at->widget);
        const QRect line = field->TextLine().translated(field->mapTo(&client, QPoint()));
        const QRect label = text.widget->geometry();
        const int fieldInk = LowestInk(image, line);
        ASSERT_GE(fieldInk, 0);
        EXPECT_EQ(LowestInk(image, label), fieldInk);
    }
}

TEST_F(QtFormGeometryTest, AOneLineTextIsAsWideAsItsRowOrItsWholeLine) {
    // A text that fits keeps its row's width; one that does not is widened
    // to exactly its whole line, however its fit was found.
    const CDialogBaseUnits& units = Window().Units();
    int widened = 0;
    int kept = 0;
    for (const CBuiltControl& control : Window().Controls()) {
        const res::CControlTemplate& row = *control.row;
        const auto* label = qobject_cast<const QLabel*>(control.widget);
        if (row.kind != EControlKind::kText || label == nullptr || label->wordWrap()) {
            continue;
        }
        SCOPED_TRACE(row.text);
        const int rowWidth = units.ToPixels(row.x, row.y, row.width, row.height).width();
        const int lineWidth = label->sizeHint().width();
        EXPECT_EQ(label->width(), std::max(rowWidth, lineWidth));
        // The whole line is shown: the layout of the text needs no more.
        EXPECT_GE(
            label->contentsRect().width(),
            label->fontMetrics()
                .boundingRect(QRect(0, 0, 2000, 2000), Qt::AlignLeft | Qt::AlignTop, label->text())
                .width());
        (lineWidth > rowWidth ? widened : kept) += 1;
    }
    // Both cases occur on the form, so both ways are held to the rule.
    EXPECT_GT(widened, 0);
    EXPECT_GT(kept, 0);
}

TEST_F(QtFormGeometryTest, GroupBoxTitlesStandOnTheFrameLineSetIn) {
    int boxes = 0;
    for (const CBuiltControl& control : Window().Controls()) {
        if (control.row->kind != EControlKind::kGroupBox) {
            continue;
        }
        ++boxes;
        SCOPED_TRACE(control.row->text);
        const QImage image = control.widget->grab().toImage();
        const QRgb background = image.pixel(image.width() / 2, image.height() / 2);
        // The frame's top line, found at the right end, far from the title.
        const int x = image.width() - 4;
        int line = 0;
        while (line < image.height() / 2 && image.pixel(x, line) == background) {
            ++line;
        }
        ASSERT_LT(line, image.height() / 2) << "no frame line";
        // The line runs in from the left edge before the title breaks it.
        for (int left = 1; left <= 3; ++left) {
            EXPECT_NE(image.pixel(left, line), background) << "at x " << left;
        }
        // The title's ink lies across the line, set in from the edge.
        int inkLeft = image.width();
        int inkTop = image.height();
        int inkBottom = -1;
        for (int y = 0; y < image.height() / 3; ++y) {
            for (int px = 0; px < image.width(); ++px) {
                if (qGray(image.pixel(px, y)) < 110) {
                    inkLeft = std::min(inkLeft, px);
                    inkTop = std::min(inkTop, y);
                    inkBottom = std::max(inkBottom, y);
                }
            }
        }
        ASSERT_GE(inkBottom, 0) << "no title";
        EXPECT_LT(inkTop, line);
        EXPECT_GT(inkBottom, line);
        EXPECT_GE(inkLeft, 5);
    }
    EXPECT_EQ(boxes, 6);
}

TEST_F(QtFormGeometryTest, TheWindowHasAFixedSizeAndNoMaximiseBox) {
    EXPECT_FALSE(Window().windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(Window().windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(Window().windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(Window().minimumSize(), Window().maximumSize());
    EXPECT_EQ(Window().size(), Window().minimumSize());
}

}  // namespace ohmrada::qt::test

namespace ohmrada::qt::test {

// Where the four analysis windows open, one after the other, for screens and
// form positions a user meets. Properties every place must have: fully on
// the screen, never over the form's menu bar; and, wherever there is room,
// over neither the form nor another window.
TEST(WindowPlacementTest, BesideTheFormOnTheScreenAndNeverOverItsMenu) {
    struct CCase {
        const char* name;
        QRect screen;
        QPoint formAt;  // the form's frame
        bool roomForAll;
    };
    const CCase cases[] = {
        {"1600x1000, the form centred", {0, 0, 1600, 1000}, {500, 265}, false},
        {"1600x1000, the form at the top edge", {0, 0, 1600, 1000}, {500, 0}, false},
        {"1600x1000, the form at the left", {0, 0, 1600, 1000}, {0, 0}, false},
        {"a wide screen", {0, 0, 3840, 1600}, {0, 0}, true},
        {"a second screen to the right", {1920, 0, 3840, 2160}, {1920, 40}, true},
        {"a small screen", {0, 0, 1024, 768}, {200, 100}, false},
    };
    const QMargins frame(4, 30, 4, 4);  // a title bar and a border
    const QSize formSize(560, 470);
    const int menuHeight = 24;
    const QSize windows[] = {{1160, 300}, {640, 720}, {1000, 560}, {1250, 760}};
    const QSize minimum(320, 200);
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        CPlacementRequest request;
        request.screen = c.screen;
        request.form = QRect(c.formAt, formSize);
        request.menuBottom = request.form.top() + frame.top() + menuHeight;
        request.frame = frame;
        request.minimum = minimum;
        const QRect menu(request.form.left(), request.form.top(), request.form.width(),
                         request.menuBottom - request.form.top());
        bool allFree = true;
        for (const QSize& size : windows) {
            request.size = size;
            const QRect contents = PlaceBesideForm(request);
            const QRect placed = contents.marginsAdded(frame);
            EXPECT_TRUE(c.screen.contains(placed)) << "off the screen";
            EXPECT_FALSE(placed.intersects(menu)) << "over the form's menu";
            EXPECT_GE(contents.width(), std::min(size.width(), minimum.width()));
            const bool free =
                !placed.intersects(request.form) &&
                std::none_of(request.taken.begin(), request.taken.end(),
                             [&](const QRect& other) { return placed.intersects(other); });
            if (free && contents.size() == size) {
                // Room on the right comes first.
                const bool rightRoom = c.screen.right() - request.form.right() >=
                                       size.width() + frame.left() + frame.right() + 8;
                if (rightRoom && request.taken.empty()) {
                    EXPECT_GT(placed.left(), request.form.right());
                }
            }
            allFree = allFree && free;
            request.taken.push_back(placed);
        }
        if (c.roomForAll) {
            EXPECT_TRUE(allFree) << "the windows overlap though the screen has room";
        }
        // No two windows open on the same spot.
        for (std::size_t i = 0; i < request.taken.size(); ++i) {
            for (std::size_t j = i + 1; j < request.taken.size(); ++j) {
                EXPECT_NE(request.taken[i].topLeft(), request.taken[j].topLeft()) << i << j;
            }
        }
    }
}

// The first window beside the form opens level with it, made lower where
// the screen ends below it rather than moved up to the screen's top; lower
// than its minimum it is not made.
TEST(WindowPlacementTest, TheFirstWindowOpensLevelWithTheForm) {
    struct CRow {
        const char* name;
        QRect screen;
        QRect form;
        QSize size;
        bool level;  // whether it can open level with the form
    };
    const CRow rows[] = {
        {"1600x1000, room below", {0, 0, 1600, 1000}, {0, 265, 560, 470}, {700, 300}, true},
        {"1600x1000, taller than the room below",
         {0, 0, 1600, 1000},
         {0, 265, 560, 470},
         {700, 900},
         true},
        {"1366x768, taller than the room below",
         {0, 0, 1366, 768},
         {0, 149, 560, 470},
         {700, 700},
         true},
        {"1366x768, its minimum taller than the room below",
         {0, 0, 1366, 768},
         {0, 500, 560, 260},
         {700, 700},
         false},
    };
    const QMargins frame(4, 30, 4, 4);
    for (const CRow& row : rows) {
        SCOPED_TRACE(row.name);
        CPlacementRequest request;
        request.screen = row.screen;
        request.form = row.form;
        request.menuBottom = row.form.top() + frame.top() + 24;
        request.frame = frame;
        request.size = row.size;
        request.minimum = QSize(320, 300);
        const QRect placed = PlaceBesideForm(request).marginsAdded(frame);
        EXPECT_TRUE(row.screen.contains(placed));
        EXPECT_FALSE(placed.intersects(row.form)) << "over the form";
        EXPECT_EQ(placed.top() == row.form.top(), row.level) << placed.top();
        EXPECT_GE(placed.height() - frame.top() - frame.bottom(), request.minimum.height());
        EXPECT_EQ(placed.width() - frame.left() - frame.right(), row.size.width());
    }
}

// With the form at the left, every window whose smallest size fits the room
// beside the form opens there, over the other windows if it must, never over
// the form, and as wide as it asks for where the room allows.
TEST(WindowPlacementTest, NoWindowCoversTheFormWhileTheRoomBesideItTakesIt) {
    struct CWindowRow {
        QSize size;
        QSize minimum;
    };
    // The four windows of the menu "Analyse" as they ask to open.
    const CWindowRow windows[] = {
        {{640, 843}, {640, 605}},
        {{1160, 336}, {435, 336}},
        {{1000, 560}, {705, 353}},
        {{1250, 760}, {674, 517}},
    };
    struct CScreenRow {
        const char* name;
        QRect screen;
        QRect form;
    };
    const CScreenRow screens[] = {
        {"1366x768", {0, 0, 1366, 768}, {8, 80, 636, 527}},
        {"1600x1000", {0, 0, 1600, 1000}, {8, 157, 636, 527}},
    };
    for (const CScreenRow& row : screens) {
        SCOPED_TRACE(row.name);
        CPlacementRequest request;
        request.screen = row.screen;
        request.form = row.form;
        request.menuBottom = row.form.top() + 22;
        for (const CWindowRow& window : windows) {
            request.size = window.size;
            request.minimum = window.minimum;
            const QRect placed = PlaceBesideForm(request);
            EXPECT_FALSE(placed.intersects(row.form)) << "over the form";
            EXPECT_TRUE(row.screen.contains(placed));
            const int room = row.screen.right() - row.form.right() - 8;
            EXPECT_EQ(placed.width(), std::min(window.size.width(), room));
            request.taken.push_back(placed);
        }
    }
}

// The edge of "room beside the form": a window whose smallest width is just
// the room to the right of the form opens there, beside it; one pixel more
// and it cannot, and then covers neither the form's menu nor more of the
// screen than there is.
TEST(WindowPlacementTest, AWindowAsNarrowAsTheRoomBesideTheFormOpensThere) {
    struct CScreenRow {
        const char* name;
        QRect screen;
        QRect form;  // where the form opens first: at the left edge
    };
    const CScreenRow screens[] = {
        {"1366x768", {0, 0, 1366, 768}, {8, 80, 636, 527}},
        {"1600x1000", {0, 0, 1600, 1000}, {8, 157, 636, 527}},
    };
    const QMargins frame(2, 24, 2, 2);
    for (const CScreenRow& row : screens) {
        SCOPED_TRACE(row.name);
        CPlacementRequest request;
        request.screen = row.screen;
        request.form = row.form;
        request.menuBottom = row.form.top() + frame.top() + 22;
        request.frame = frame;
        // The room: from the form's frame and a gap of 8 px to the screen's
        // right edge, less the window's own frame.
        const int room = row.screen.right() - row.form.right() - 8 - frame.left() - frame.right();
        const QRect menu(row.form.left(), row.form.top(), row.form.width(),
                         request.menuBottom - row.form.top());
        for (const int minimum : {room - 1, room, room + 1}) {
            SCOPED_TRACE(minimum - room);
            request.minimum = QSize(minimum, 300);
            request.size = QSize(minimum + 300, 500);
            const QRect placed = PlaceBesideForm(request).marginsAdded(frame);
            EXPECT_TRUE(row.screen.contains(placed));
            EXPECT_FALSE(placed.intersects(menu)) << "over the form's menu";
            EXPECT_GE(placed.width() - frame.left() - frame.right(), minimum);
            EXPECT_EQ(!placed.intersects(row.form), minimum <= room)
                << placed.left() << " " << placed.width();
        }
    }
}

TEST(WindowPlacementTest, ARememberedPlaceIsKeptOnTheScreenAndOffTheMenu) {
    CPlacementRequest request;
    request.screen = QRect(0, 0, 1600, 1000);
    request.form = QRect(500, 265, 560, 470);
    request.menuBottom = 265 + 54;
    request.frame = QMargins(4, 30, 4, 4);
    const QRect menu(500, 265, 560, 54);
    const QRect remembered[] = {
        {1100, 100, 400, 300},   // where it was: kept as it is
        {3000, 2000, 400, 300},  // on a screen no longer there
        {520, 270, 400, 300},    // over the form's menu
        {-50, -50, 2000, 1400},  // larger than the screen
    };
    for (const QRect& place : remembered) {
        const QRect kept = KeepOnScreen(place, request);
        const QRect withFrame = kept.marginsAdded(request.frame);
        EXPECT_TRUE(request.screen.contains(withFrame));
        EXPECT_FALSE(withFrame.intersects(menu));
        if (request.screen.contains(place.marginsAdded(request.frame)) &&
            !place.marginsAdded(request.frame).intersects(menu)) {
            EXPECT_EQ(kept, place);
        }
    }
}

}  // namespace ohmrada::qt::test

// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the help pages for the program from res/help: each page as it is,
// except that a marker comment is replaced by what the table of analysis
// windows makes of it, so that the contents list every window of the menu
// "&Analyse" in its order and with its title:
//
//   <!-- analysis windows: links -->  the windows' titles, linked, one line
//   <!-- analysis windows: list -->   one list item per window with its summary
//
// The pages of another language (res/help/en/) get the windows' titles and
// lines in that language:
//
//   make-help-pages [--language CODE] SOURCE_DIR OUTPUT_DIR PAGE...
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "AnalysisWindowTable.h"
#include "Language.h"

namespace {

constexpr std::string_view kLinksMarker = "<!-- analysis windows: links -->";
constexpr std::string_view kListMarker = "<!-- analysis windows: list -->";

std::string Link(const ohmrada::res::CAnalysisWindowEntry& window) {
    return std::string("<a href=\"") + window.helpPage + "\">" + ohmrada::texts::Tr(window.title) +
           "</a>";
}

std::string Links() {
    std::string text;
    for (const auto& window : ohmrada::res::kAnalysisWindowTable) {
        text += (text.empty() ? "" : ",\n    ") + Link(window);
    }
    return text;
}

std::string List() {
    std::string text;
    for (const auto& window : ohmrada::res::kAnalysisWindowTable) {
        text += (text.empty() ? "<li>" : "\n<li>") + Link(window) + " – " +
                ohmrada::texts::Tr(window.helpSummary) + "</li>";
    }
    return text;
}

void Replace(std::string& text, std::string_view marker, const std::string& by) {
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + by.size())) {
        text.replace(at, marker.size(), by);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    if (argc > 2 && std::string_view(argv[1]) == "--language") {
        if (!ohmrada::texts::SetLanguage(argv[2])) {
            std::cerr << "make-help-pages: unknown language " << argv[2] << '\n';
            return 2;
        }
        first = 3;
    }
    if (argc < first + 3) {
        std::cerr << "usage: make-help-pages [--language CODE] SOURCE_DIR OUTPUT_DIR PAGE...\n";
        return 2;
    }
    const std::filesystem::path source = argv[first];
    const std::filesystem::path output = argv[first + 1];
    std::error_code error;
    std::filesystem::create_directories(output, error);
    if (error) {
        std::cerr << "make-help-pages: cannot create " << output << ": " << error.message() << '\n';
        return 1;
    }
    for (int i = first + 2; i < argc; ++i) {
        const std::filesystem::path page = argv[i];
        std::ifstream in(source / page, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        std::string content = text.str();
        if (page.extension() == ".html") {
            Replace(content, kLinksMarker, Links());
            Replace(content, kListMarker, List());
        }
        std::ofstream out(output / page, std::ios::binary | std::ios::trunc);
        if (!in || !(out << content) || !out.flush()) {
            std::cerr << "make-help-pages: cannot copy " << (source / page) << " to " << output
                      << '\n';
            return 1;
        }
    }
    return 0;
}

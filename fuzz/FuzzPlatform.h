// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An in-memory form whose files are texts in memory, for the fuzz targets.

#include <map>
#include <memory>
#include <string>

#include "MemoryPlatform.h"

namespace ohmrada {

class CFuzzPlatform : public CMemoryPlatform {
public:
    std::unique_ptr<CLineSource> OpenForReading(const std::string& path,
                                                std::error_code& error) override {
        const auto it = files.find(path);
        if (it == files.end()) {
            error = std::make_error_code(std::errc::no_such_file_or_directory);
            return nullptr;
        }
        return std::make_unique<CStringLineSource>(it->second);
    }

    std::unique_ptr<CLineSink> OpenForWriting(const std::string& path, std::error_code&) override {
        return std::make_unique<CSink>(files[path]);
    }

    std::map<std::string, std::string> files;

private:
    class CSink : public CLineSink {
    public:
        explicit CSink(std::string& file) : m_file(file) {}
        bool WriteLine(std::string_view line) override { return m_lines.WriteLine(line); }
        bool Commit() override {
            m_file = m_lines.Text();
            return true;
        }

    private:
        std::string& m_file;
        CStringLineSink m_lines;
    };
};

}  // namespace ohmrada

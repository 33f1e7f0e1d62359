// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Netlist.h"

namespace ohmrada {

// The samples of one run as the simulator produced them, by vector name,
// with the netlist that names them.
class CRecording {
public:
    CRecording(const CNetlist& netlist, std::map<std::string, std::vector<double>> vectors)
        : m_netlist(netlist), m_series(std::move(vectors)) {}

    // Every vector the netlist names is there, all of one length of at least
    // two samples, and the time reaches the stop time.
    bool Complete(double stopTime) const;

    const std::vector<double>& Time() const { return m_series.at("time"); }
    // A node's voltage or a branch current; ground ("0") gives nullptr (zero).
    const std::vector<double>* Series(const std::string& name) const {
        const auto found = m_series.find(name);
        return found == m_series.end() ? nullptr : &found->second;
    }
    // A vector every netlist has (the output, a branch current); call only
    // on a complete recording.
    const std::vector<double>& Required(const std::string& name) const { return m_series.at(name); }
    // A node's voltage at the last sample (ground 0).
    double Last(const std::string& name) const {
        const std::vector<double>* series = Series(name);
        return series != nullptr && !series->empty() ? series->back() : 0.0;
    }
    const CNetlist& Netlist() const { return m_netlist; }

private:
    CNetlist m_netlist;
    std::map<std::string, std::vector<double>> m_series;
};

}  // namespace ohmrada

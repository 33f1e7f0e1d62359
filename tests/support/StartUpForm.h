// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The form right after the start, as every test of the form sees it: the
// start-up values with the first cycle's results, and the file a save at
// that moment writes.

#include <map>
#include <string>

namespace ohmrada::test {

// Field id -> shown text.
inline const std::map<int, std::string> kStartUpTexts = {
    {1024, "18.000"},  {1021, "3.333"},  {1013, "20.000"}, {1025, "0.350"},   {1019, "0.020"},
    {1020, "30000"},   {1026, "14.820"}, {1018, "5.000"},  {1009, "4.170"},   {1010, "20.000"},
    {1015, "1.100"},   {1023, "0.110"},  {1022, "0.600"},  {1027, "103.554"}, {1001, "120.000"},
    {1004, "2.250"},   {1014, "56.569"}, {1002, "12.623"}, {1005, "2.500"},   {1008, "27.834"},
    {1011, "20.261"},  {1017, "19.729"}, {1000, "0.797"},  {1012, "71.350"},  {1003, "29.954"},
    {1016, "144.907"}, {1006, "14.270"}, {1007, "68.901"},
};

inline const std::string kStartUpFile =
    "Mitte: 1\r\nNennU: 18.000\r\nLeerU: 20.000\r\nNennI: 3.333\r\nGR_Sg: mittelpunkt\r\n"
    "DiffU: 0.350\r\nBahnR: 0.020\r\nKondC: 30000\r\nUbger: 14.820\r\nIb   : 5.000\r\n"
    "Rja  : 4.170\r\nTu   : 20.000\r\nDeltU: 1.100\r\nReglR: 0.110\r\n";

}  // namespace ohmrada::test

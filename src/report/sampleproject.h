#pragma once
// Sample projects of the three conductor types, computed by the program's own calculations
// (requirements, approximate selection, a chosen construction): the pictures of the report
// settings dialog are rendered from them, and the benchmark writes their reports.

#include "report/reportinput.h"

namespace kv {

// A sample project of the type: the objects of the installation's sample project (a fuel
// store, a boiler house, its chimney) and a zone A workshop; with objectCount > 0 a grid of that
// many objects instead. Every profile flag is set.
ReportInput sampleReportInput(ConductorType type, int objectCount = 0,
                              const std::map<int, std::string> &classTexts = {});

} // namespace kv

#pragma once
// Helpers for the display tests: the catalog text of a key, and the snprintf rendering of
// a row, built independently of the display code from a column description.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "solvutil/display/solver_name.hpp"
#include "solvutil/host/hostmsg.hpp"

namespace displaytest {

inline std::string catalogText(const std::string& key) {
    const hostmsg::BaseMsgID id({}, "solvlib:solvUtility", key);
    return hostmsg::to_string(hostmsg::MessageCatalog::get_message(id, hostmsg::KdLocale::global()));
}

struct Cell {
    double d = 0.0;
    unsigned long k = 0;
    const char* s = "";
};

struct Column {
    long width;
    ColumnType type;
    int precision;
};

/// The row as printf renders it: each value right-aligned in its width, two spaces after
/// it, Inf/NaN of Double columns replaced by "Inf"/"-", general doubles at the precision
/// of the previous Double column (6 at the start of the row).
inline std::string expectedRow(const std::vector<Column>& columns, const std::vector<Cell>& cells) {
    std::string row;
    char buf[512];
    int generalPrecision = 6;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Column& c = columns[i];
        const int w = static_cast<int>(c.width);
        switch (c.type) {
            case ColumnType::Double:
                if (std::isfinite(cells[i].d)) {
                    std::snprintf(buf, sizeof buf, "%*.*e  ", w, c.precision, cells[i].d);
                    generalPrecision = c.precision;
                } else {
                    std::snprintf(buf, sizeof buf, "%*s  ", w, std::isnan(cells[i].d) ? "-" : "Inf");
                }
                break;
            case ColumnType::Integer:
                std::snprintf(buf, sizeof buf, "%*lu  ", w, cells[i].k);
                break;
            case ColumnType::String:
                std::snprintf(buf, sizeof buf, "%*s  ", w, cells[i].s);
                break;
            case ColumnType::GeneralDouble:
                std::snprintf(buf, sizeof buf, "%*.*g  ", w, generalPrecision, cells[i].d);
                break;
        }
        row += buf;
    }
    return row + "\n";
}

}  // namespace displaytest

#pragma once

// Figures of one series of round trips.

#include <chrono>
#include <string>
#include <vector>

namespace korvel::bench {

struct TLatencySummary {
    std::size_t Count = 0;
    double Seconds = 0;  // wall time of the whole series
    double PerSecond = 0;
    double MeanMs = 0;
    double P50Ms = 0;
    double P99Ms = 0;
    double MaxMs = 0;
};

TLatencySummary Summarise(std::vector<std::chrono::nanoseconds> ALatencies, std::chrono::nanoseconds AWallTime);

// The table's head and one row, fixed-width.
std::string SummaryHeader();
std::string SummaryRow(const std::string& APath, int AInFlight, const TLatencySummary& ASummary);

}  // namespace korvel::bench

#include "LatencySummary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace korvel::bench {
namespace {

double Ms(std::chrono::nanoseconds AValue)
{
    return std::chrono::duration<double, std::milli>(AValue).count();
}

// Nearest rank: the smallest value with at least AFraction of the series at or below it.
std::chrono::nanoseconds Percentile(const std::vector<std::chrono::nanoseconds>& ASorted, double AFraction)
{
    const auto rank = static_cast<std::size_t>(std::ceil(AFraction * static_cast<double>(ASorted.size())));
    return ASorted[std::clamp<std::size_t>(rank, 1, ASorted.size()) - 1];
}

}  // namespace

TLatencySummary Summarise(std::vector<std::chrono::nanoseconds> ALatencies, std::chrono::nanoseconds AWallTime)
{
    TLatencySummary summary;
    summary.Count = ALatencies.size();
    summary.Seconds = std::chrono::duration<double>(AWallTime).count();
    if (ALatencies.empty() || summary.Seconds <= 0)
        return summary;
    std::sort(ALatencies.begin(), ALatencies.end());
    summary.PerSecond = static_cast<double>(summary.Count) / summary.Seconds;
    summary.MeanMs = Ms(std::accumulate(ALatencies.begin(), ALatencies.end(), std::chrono::nanoseconds{0})) /
                     static_cast<double>(summary.Count);
    summary.P50Ms = Ms(Percentile(ALatencies, 0.50));
    summary.P99Ms = Ms(Percentile(ALatencies, 0.99));
    summary.MaxMs = Ms(ALatencies.back());
    return summary;
}

std::string SummaryHeader()
{
    char line[160];
    std::snprintf(line, sizeof line, "%-12s %9s %11s %8s %13s %8s %8s %8s %8s", "path", "in flight", "round trips",
                  "seconds", "round trips/s", "mean ms", "p50 ms", "p99 ms", "max ms");
    return line;
}

std::string SummaryRow(const std::string& APath, int AInFlight, const TLatencySummary& ASummary)
{
    char line[160];
    std::snprintf(line, sizeof line, "%-12s %9d %11zu %8.3f %13.1f %8.3f %8.3f %8.3f %8.3f", APath.c_str(), AInFlight,
                  ASummary.Count, ASummary.Seconds, ASummary.PerSecond, ASummary.MeanMs, ASummary.P50Ms, ASummary.P99Ms,
                  ASummary.MaxMs);
    return line;
}

}  // namespace korvel::bench

// Keeping the median of each benchmark's repetitions while the console prints as usual.
#include "bench/median_reporter.h"

void MedianReporter::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        if (run.error_occurred) {
            failed_.insert(run.run_name.str());
            continue;
        }
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        const bool only = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        if (median || only)
            medians_[run.run_name.str()] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
    }
    ConsoleReporter::ReportRuns(runs);
}

double MedianReporter::medianNs(const std::string &name) const
{
    const auto found = medians_.find(name);
    return found == medians_.end() ? 0.0 : found->second;
}

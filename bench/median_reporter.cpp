// Keeping the median of each benchmark's repetitions while the console prints as usual.
#include "bench/median_reporter.h"

namespace {

// The name as registered, without what the library appends (such as "/manual_time").
std::string registeredName(const benchmark::BenchmarkReporter::Run &run)
{
    return run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
}

}  // namespace

void MedianReporter::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        const bool only = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        if (run.error_occurred || (!median && !only)) continue;
        const std::string name = registeredName(run);
        medians_[name] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
        for (const auto &[counterName, counter] : run.counters) counters_[name][counterName] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
}

double MedianReporter::medianNs(const std::string &name) const
{
    const auto found = medians_.find(name);
    return found == medians_.end() ? 0.0 : found->second;
}

double MedianReporter::counter(const std::string &name, const std::string &counterName) const
{
    const auto found = counters_.find(name);
    if (found == counters_.end()) return 0.0;
    const auto value = found->second.find(counterName);
    return value == found->second.end() ? 0.0 : value->second;
}

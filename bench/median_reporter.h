// Google Benchmark's console output, keeping each benchmark's median time and counters for the results file.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override;

    // Median over the repetitions (the one run without repetitions) in nanoseconds per
    // iteration, by benchmark name as registered; 0 when it did not run.
    double medianNs(const std::string &name) const;
    // Median of a user counter over the repetitions (its only value without them); 0 when absent.
    double counter(const std::string &name, const std::string &counterName) const;

private:
    std::map<std::string, double> medians_;
    std::map<std::string, std::map<std::string, double>> counters_;
};

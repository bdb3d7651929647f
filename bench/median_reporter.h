// Google Benchmark's console output, keeping each benchmark's median real time for the results file.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <set>
#include <string>
#include <vector>

class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override;

    // Median over the repetitions (the one run without repetitions) in nanoseconds per
    // iteration, by benchmark name as registered; 0 when it did not run.
    double medianNs(const std::string &name) const;
    // Whether the benchmark stopped with an error (a reader refusing its file, say).
    bool failed(const std::string &name) const { return failed_.count(name) != 0; }

private:
    std::map<std::string, double> medians_;
    std::set<std::string> failed_;
};

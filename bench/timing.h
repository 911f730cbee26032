// Clock and helpers shared by the benchmark's measurements.
#pragma once

#include <cstddef>
#include <vector>

// Seconds on the performance counter.
double Seconds();

// Reads a few bytes of a buffer so that the compiler keeps the copies into it.
void KeepAlive(const unsigned char* data, size_t bytes);

double Median(std::vector<double> values);

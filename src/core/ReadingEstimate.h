#pragma once

#include <cstdint>
#include <string_view>

namespace tavilo {

class PrompterModel;

// The reading pace taken for a scroll speed: 85 points per second reads 160 words per minute,
// and no speed is taken as slower than 60 words per minute.
double readingWordsPerMinute(double speedPointsPerSecond);

// Words as the estimate counts them: the space-separated runs of the script, 0 for a blank one.
int64_t estimateWordCount(std::string_view script);

// Seconds to read `words` at the pace of the speed (0 for no words).
double estimatedDurationForWords(int64_t words, double speedPointsPerSecond);

// The reading-time estimate of a whole script at a speed, in seconds; 0 for a blank script.
double estimatedDurationSeconds(std::string_view script, double speedPointsPerSecond);

// The estimate of the model's script at its current speed.
double estimatedDurationSeconds(const PrompterModel& model);

} // namespace tavilo

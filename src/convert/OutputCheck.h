#pragma once
// Whether a conversion's output is whole. ffmpeg that was killed or crashed can still seem
// to end cleanly (under Wine a killed process ends with exit code 0) and leaves a file cut
// short, or one it never finished: the file must read back with the length of what was
// converted. Portable.
#include "convert/ConvertJob.h"

#include <optional>
#include <string>
#include <string_view>

namespace convert {

// What ffmpeg prints while it converts, as far as the check needs it: the input's length
// from the header it prints first, and whether it reached the closing statistics it prints
// only once the output is finished.
class ConversionReport {
public:
    void Feed(std::string_view bytes);
    std::optional<double> inputSeconds() const;
    bool finished() const { return finished_; }

private:
    std::string head_;  // the first bytes, where the input's header lies
    std::string tail_;  // the last bytes fed, so that a phrase split between reads is found
    bool finished_ = false;
};

// The seconds the output should play: the input's, or the cut's when the job cuts; 0 when
// neither is known.
double ExpectedOutputSeconds(const ConvertJob& job, std::optional<double> inputSeconds);

// Why an output whose probe says `probeReport` is not the whole conversion, in words for
// the user; empty when it is whole. It must read back with a length. Shorter than
// `expectedSeconds` it is whole only when ffmpeg `finished`: an input whose container
// promises more than it holds converts to less. Encoders end a little before or after the
// source, so a second, or a fiftieth of a long clip, does not count.
std::wstring OutputShortfall(std::wstring_view probeReport, double expectedSeconds, bool finished);

}  // namespace convert

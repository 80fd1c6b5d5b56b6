// Virtual time as a clock reads it, for labelling screenshots: m:ss.mmm under
// an hour, h:mm:ss.mmm from then on; milliseconds truncated.
#ifndef TOOLS_SCREENS_TIME_LABEL_H
#define TOOLS_SCREENS_TIME_LABEL_H

#include <string>

#include "core/time.h"

namespace tools {

std::string time_label(sim::Nanoseconds time);

}  // namespace tools

#endif

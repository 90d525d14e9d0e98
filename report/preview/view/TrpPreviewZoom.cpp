// The run's remembered preview zoom.
#include "TrpPreviewZoom.h"

namespace report {

TrpLastZoom& LastZoom() {
    static TrpLastZoom last;
    return last;
}

} // namespace report

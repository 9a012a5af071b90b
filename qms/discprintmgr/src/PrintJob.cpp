#include "PrintJob.h"

namespace discprintmgr {

// Burning is not simulated yet: a session refuses to print rather than
// pretend it wrote a job.
HRESULT printJob(const PrintRequest&, const SimulatedDrive&, const std::filesystem::path&,
                 QMCAPILib::IQMDiscPrintProgressEvents*) {
    return E_NOTIMPL;
}

HRESULT printPreview(const PrintRequest&, const std::filesystem::path&, LONG*) {
    return E_NOTIMPL;
}

} // namespace discprintmgr

#include "crypto/data_process.h"

namespace velkor {

CDataProcess::~CDataProcess() = default;

} // namespace velkor

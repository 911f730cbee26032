#include "engine/scan_job.h"

ScanJob::ScanJob()
    : DeviceInfo(),
      Stopped(false),
      Transfer(),
      TransferBufferHandle(nullptr),
      BytesTransferred(0),
      PartialRow(false),
      PartialRowOffset(0),
      ImageDelivered(false) {
    Scanner.Open(DeviceInfo);
}

ScanJob::~ScanJob() {
    FreeTransferBuffer();
}

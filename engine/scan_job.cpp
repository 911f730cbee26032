#include "engine/scan_job.h"

#include "trace/trace.h"

ScanJob::ScanJob()
    : DeviceInfo(),
      Transfer(),
      stopped_(false),
      transferBufferHandle_(nullptr),
      bytesTransferred_(0),
      rowBytesDelivered_(0),
      imageDelivered_(false) {
    Scanner.Open(DeviceInfo);
}

void ScanJob::MoveDocument(ObjectCommandType command) {
    AditionalSenseCodeType sense = {};
    if (!Scanner.Open(DeviceInfo)) return;
    if (!Scanner.UnitReady(&sense)) return;
    Scanner.SetObjectPosition(command, 0);
}

bool ScanJob::Online() {
    AditionalSenseCodeType sense;
    return ScannerModel() != Model::Unknown && Scanner.UnitReady(&sense);
}

void ScanJob::EndScan() {
    rowBytesDelivered_ = 0;
    if (stopped_)
        stopped_ = false;
    else
        trace::Device(Scanner.StopScan(), "StopScan");
}

void ScanJob::RecordBlock(uint32_t bytes, bool endsInsideRow) {
    bytesTransferred_ += bytes;
    rowBytesDelivered_ = endsInsideRow ? rowBytesDelivered_ + bytes : 0;
}

ScanJob::~ScanJob() {
    FreeTransferBuffer();
}

// Ctrl+C (or Ctrl+Break, or the console closing) asks the running job to stop: the
// transfers look at the request between blocks and rows, and end the job in order.
#pragma once

void WatchForCancel();
bool CancelRequested();

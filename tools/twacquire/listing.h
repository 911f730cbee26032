// --list: the open source's identity, every capability it reports with its values
// for MSG_GET, MSG_GETCURRENT and MSG_GETDEFAULT, the memory transfer buffer sizes
// and the image layout, printed to `out`.
#pragma once

#include <cstdio>

class CTwainClient;

void ListSource(CTwainClient& client, FILE* out);

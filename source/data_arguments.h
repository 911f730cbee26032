// The data arguments the connected application's triplets reach, one row each per
// data group: the dispatch finds its answer here, and CAP_SUPPORTEDDATS lists
// these rows, so the two never disagree.
#pragma once

#include <cstddef>

#include "platform/twain.h"

class CTwainSource;

struct DataArgumentRow {
    TW_UINT16 Dat;
    bool Twain2Only;  // a TWAIN 1.x application is refused it as unknown
    TW_UINT16 (*Answer)(CTwainSource& source, TW_UINT16 msg, TW_MEMREF data);
};

struct DataArgumentTable {
    TW_UINT32 Group;
    const DataArgumentRow* Rows;
    size_t Count;
};

// DG_CONTROL (source/twain_source.cpp) and DG_IMAGE (image/image_dispatch.cpp).
DataArgumentTable ControlDataArguments();
DataArgumentTable ImageDataArguments();

// The row of `dat` in `table` that the connected application may reach; null
// when there is none.
const DataArgumentRow* FindDataArgument(const DataArgumentTable& table, TW_UINT16 dat, bool twain2);

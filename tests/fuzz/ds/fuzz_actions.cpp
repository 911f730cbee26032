#include "tests/fuzz/ds/fuzz_actions.h"

#include <cstdio>
#include <sstream>

#include "twain/fix32.h"

namespace dsfuzz {

namespace {

const char* const Models[] = {"QD120",  "QD110",  "QD130",  "QD140",  "QD140+", "QD150+", "QC1400",
                              "QB1310", "QB1320", "QB1300", "QA1220", "QA1210", "QA1200", "QZ999"};

const char* const SingleFaults[] = {"open",  "unitready", "setwindow", "speed", "trc",    "ctt",
                                    "start", "position",  "retry=",    "end=",  "stall=", "stuck"};

const TW_UINT16 Capabilities[] = {CAP_XFERCOUNT,      CAP_SUPPORTEDCAPS, CAP_UICONTROLLABLE,
                                  ICAP_COMPRESSION,   ICAP_PLANARCHUNKY, ICAP_PHYSICALHEIGHT,
                                  ICAP_PHYSICALWIDTH, ICAP_PIXELFLAVOR,  ICAP_BITDEPTH,
                                  ICAP_BITORDER,      ICAP_PIXELTYPE,    ICAP_UNITS,
                                  ICAP_XFERMECH,      ICAP_XRESOLUTION,  ICAP_YRESOLUTION,
                                  ICAP_BRIGHTNESS,    ICAP_THRESHOLD};

const TW_UINT16 Messages[] = {MSG_GET,          MSG_GETCURRENT, MSG_GETDEFAULT, MSG_GETFIRST,
                              MSG_GETNEXT,      MSG_SET,        MSG_RESET,      MSG_QUERYSUPPORT,
                              MSG_XFERREADY,    MSG_CLOSEDSREQ, MSG_OPENDS,     MSG_CLOSEDS,
                              MSG_USERSELECT,   MSG_DISABLEDS,  MSG_ENABLEDS,   MSG_ENABLEDSUIONLY,
                              MSG_PROCESSEVENT, MSG_ENDXFER,    MSG_STOPFEEDER, 0x8000};

const TW_UINT16 DataArgumentTypes[] = {DAT_NULL,
                                       DAT_CAPABILITY,
                                       DAT_EVENT,
                                       DAT_IDENTITY,
                                       DAT_PARENT,
                                       DAT_PENDINGXFERS,
                                       DAT_SETUPMEMXFER,
                                       DAT_SETUPFILEXFER,
                                       DAT_STATUS,
                                       DAT_USERINTERFACE,
                                       DAT_XFERGROUP,
                                       DAT_IMAGEINFO,
                                       DAT_IMAGELAYOUT,
                                       DAT_IMAGEMEMXFER,
                                       DAT_IMAGENATIVEXFER,
                                       DAT_IMAGEFILEXFER,
                                       0x0106,
                                       0x7777};

template <typename T, size_t N>
T Pick(Random& random, const T (&list)[N]) {
    return list[random() % N];
}

uint32_t Below(Random& random, uint32_t bound) {
    return bound ? static_cast<uint32_t>(random() % bound) : 0;
}

bool Chance(Random& random, uint32_t percent) {
    return Below(random, 100) < percent;
}

std::string PlanFaults(Random& random) {
    const uint32_t count = Chance(random, 45) ? 0 : Chance(random, 70) ? 1 : 2;
    std::string faults;
    for (uint32_t i = 0; i < count; ++i) {
        std::string fault = Pick(random, SingleFaults);
        // A device that never gets ready costs whole seconds per transfer: rare.
        if (fault == "stuck" && !Chance(random, 20)) fault = "retry=";
        if (fault.back() == '=') fault += std::to_string(Below(random, 12));
        faults += (faults.empty() ? "" : ",") + fault;
    }
    return faults;
}

// A value a capability might be set to: mostly plausible ones, some hostile.
TW_UINT32 CapabilityValue(Random& random, TW_UINT16 cap, TW_UINT16 itemType) {
    if (Chance(random, 10)) return static_cast<TW_UINT32>(random());
    if (itemType == TWTY_FIX32) {
        const int whole = cap == ICAP_XRESOLUTION || cap == ICAP_YRESOLUTION
                              ? static_cast<int>(50 + Below(random, 800))
                              : static_cast<int>(Below(random, 512)) - 256;
        const unsigned frac = Chance(random, 50) ? 0 : Below(random, 65536);
        return Fix32Item(static_cast<TW_INT16>(whole), static_cast<TW_UINT16>(frac));
    }
    switch (cap) {
    case ICAP_PIXELTYPE:
        return Below(random, 5);
    case ICAP_BITDEPTH: {
        const TW_UINT32 depths[] = {1, 4, 8, 16, 24, 0, 2};
        return Pick(random, depths);
    }
    case ICAP_XFERMECH:
        return Below(random, 3);
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        const TW_UINT32 resolutions[] = {50, 75, 100, 150, 200, 300, 400, 450, 600, 800, 0, 1, 7};
        return Pick(random, resolutions);
    }
    case ICAP_UNITS:
    case CAP_XFERCOUNT:
    case ICAP_BITORDER:
    case ICAP_PIXELFLAVOR:
        return Below(random, 3);
    default:
        return Below(random, 300);
    }
}

ContainerPlan PlanContainer(Random& random, TW_UINT16 cap) {
    ContainerPlan plan;
    const TW_UINT16 itemTypes[] = {TWTY_UINT16, TWTY_UINT16, TWTY_INT16, TWTY_FIX32,
                                   TWTY_UINT32, TWTY_BOOL,   TWTY_UINT8, 0x33};
    plan.ItemType = Pick(random, itemTypes);
    const TW_UINT16 layouts[] = {TWON_ONEVALUE,    TWON_ONEVALUE, TWON_ONEVALUE, TWON_ENUMERATION,
                                 TWON_ENUMERATION, TWON_ARRAY,    TWON_RANGE};
    plan.Layout = Pick(random, layouts);
    plan.ConType = Chance(random, 90) ? plan.Layout : static_cast<TW_UINT16>(Below(random, 9));
    const uint32_t present = plan.Layout == TWON_ONEVALUE ? 1
                             : plan.Layout == TWON_RANGE  ? 5
                                                          : Below(random, 6);
    for (uint32_t i = 0; i < present; ++i)
        plan.Items.push_back(CapabilityValue(random, cap, plan.ItemType));
    plan.NumItems = present;
    if (Chance(random, 15)) {
        const TW_UINT32 lies[] = {present + 1, 0xFFFFFFFFu, 0x80000001u, 0x7FFFFFFFu, 0};
        plan.NumItems = Pick(random, lies);
    }
    plan.CurrentIndex = Chance(random, 85) ? Below(random, present ? present : 1)
                                           : static_cast<TW_UINT32>(random());
    if (Chance(random, 12)) plan.SizeAdjustment = -static_cast<int32_t>(1 + Below(random, 8));
    if (Chance(random, 8)) plan.SizeAdjustment = static_cast<int32_t>(Below(random, 9));
    const uint32_t handle = Below(random, 100);
    plan.Handle = handle < 80   ? BlockHandle::Movable
                  : handle < 86 ? BlockHandle::Fixed
                  : handle < 90 ? BlockHandle::Null
                  : handle < 94 ? BlockHandle::Freed
                  : handle < 97 ? BlockHandle::Bogus
                                : BlockHandle::PlainMemory;
    return plan;
}

BufferPlan PlanBuffer(Random& random) {
    BufferPlan plan;
    const uint32_t size = Below(random, 100);
    plan.Length = size < 5    ? Below(random, 7)
                  : size < 25 ? 6 + Below(random, 200)
                  : size < 85 ? 1000 + Below(random, 70000)
                              : 100000 + Below(random, 1500000);
    plan.Bytes = plan.Length;
    const uint32_t kind = Below(random, 100);
    if (kind < 60) {
        plan.Handle = BlockHandle::PlainMemory;
        plan.Flags = Chance(random, 50) ? 0 : TWMF_APPOWNS | TWMF_POINTER;
        return plan;
    }
    plan.Flags = TWMF_APPOWNS | TWMF_HANDLE;
    plan.Handle = kind < 85   ? BlockHandle::Movable
                  : kind < 90 ? BlockHandle::Fixed
                  : kind < 94 ? BlockHandle::Freed
                  : kind < 97 ? BlockHandle::Bogus
                              : BlockHandle::Null;
    if (Chance(random, 25)) plan.Bytes = plan.Length + Below(random, 100);
    if (Chance(random, 10)) plan.Bytes = Below(random, plan.Length + 1);
    return plan;
}

TW_FIX32 Fix(int whole, unsigned frac) {
    return {static_cast<TW_INT16>(whole), static_cast<TW_UINT16>(frac)};
}

void PlanFrame(Random& random, Action& action) {
    if (Chance(random, 75)) {
        const int left = Chance(random, 70) ? 0 : static_cast<int>(Below(random, 3));
        const int top = Chance(random, 70) ? 0 : static_cast<int>(Below(random, 3));
        action.Frame[0] = Fix(left, 0);
        action.Frame[1] = Fix(top, 0);
        action.Frame[2] = Fix(left + static_cast<int>(Below(random, 4)),
                              Chance(random, 60) ? 0 : Below(random, 65536));
        action.Frame[3] = Fix(top + static_cast<int>(Below(random, 3)),
                              Chance(random, 60) ? 0 : Below(random, 65536));
        return;
    }
    for (TW_FIX32& edge : action.Frame)
        edge = Fix(static_cast<int16_t>(random()), Below(random, 65536));
}

TW_UINT16 AnyMessage(Random& random) {
    return Chance(random, 85) ? Pick(random, Messages) : static_cast<TW_UINT16>(random());
}

// A triplet drawn from every group, type and message, valid or not.
void PlanAnyTriplet(Random& random, Action& action) {
    const uint32_t group = Below(random, 100);
    action.Dg = group < 55 ? DG_CONTROL : group < 92 ? DG_IMAGE : static_cast<TW_UINT32>(random());
    action.Dat =
        Chance(random, 92) ? Pick(random, DataArgumentTypes) : static_cast<TW_UINT16>(random());
    action.Msg = AnyMessage(random);
    const uint32_t origin = Below(random, 100);
    action.From = origin < 80   ? Origin::Application
                  : origin < 95 ? Origin::Stranger
                                : Origin::NoOrigin;
    action.NullData = Chance(random, 6);
}

// A step an application would take in the state the generator believes the source
// is in; the belief follows the plan only, never the source's answers.
void PlanStep(Random& random, int& believed, Action& action) {
    action.From = Origin::Application;
    auto triplet = [&](TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg) {
        action.Dg = dg;
        action.Dat = dat;
        action.Msg = msg;
    };
    switch (believed) {
    case 0:
        triplet(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS);
        believed = 4;
        return;
    case 4: {
        const uint32_t step = Below(random, 100);
        if (step < 45) {
            const TW_UINT16 messages[] = {MSG_SET,        MSG_SET,        MSG_SET,  MSG_GET,
                                          MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET};
            triplet(DG_CONTROL, DAT_CAPABILITY, Pick(random, messages));
        } else if (step < 70) {
            const TW_UINT16 messages[] = {MSG_SET, MSG_SET, MSG_SET, MSG_GET, MSG_RESET};
            triplet(DG_IMAGE, DAT_IMAGELAYOUT, Pick(random, messages));
        } else if (step < 95) {
            triplet(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS);
            action.ShowUI = Below(random, 200) == 0;  // a dialog costs seconds to destroy
            believed = action.ShowUI ? 5 : 6;
        } else {
            triplet(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS);
            believed = 0;
        }
        return;
    }
    case 5:
        triplet(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS);
        believed = 4;
        return;
    default: {
        const uint32_t step = Below(random, 100);
        if (step < 25) {
            triplet(DG_IMAGE, DAT_IMAGEINFO, MSG_GET);
        } else if (step < 45) {
            triplet(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET);
        } else if (step < 85) {
            triplet(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET);
            believed = 7;
        } else {
            triplet(DG_CONTROL, DAT_PENDINGXFERS, Chance(random, 80) ? MSG_ENDXFER : MSG_RESET);
            believed = 5;
        }
        return;
    }
    }
}

void FillPayload(Random& random, Action& action) {
    action.Fill = static_cast<uint8_t>(random());
    if (action.Dat == DAT_CAPABILITY) {
        action.Cap =
            Chance(random, 92) ? Pick(random, Capabilities) : static_cast<TW_UINT16>(random());
        action.Container = PlanContainer(random, action.Cap);
    } else if (action.Dat == DAT_IMAGELAYOUT) {
        PlanFrame(random, action);
    } else if (action.Dat == DAT_IMAGEMEMXFER) {
        action.Buffer = PlanBuffer(random);
    } else if (action.Dat == DAT_USERINTERFACE && action.Msg != MSG_ENABLEDS) {
        action.ShowUI = Below(random, 200) == 0;  // a dialog costs seconds to destroy
    }
}

}  // namespace

RunPlan PlanRun(uint64_t seed, uint64_t run, size_t actions) {
    std::seed_seq sequence{static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32),
                           static_cast<uint32_t>(run), static_cast<uint32_t>(run >> 32)};
    Random random(sequence);
    RunPlan plan;
    plan.Model = Pick(random, Models);
    plan.Faults = PlanFaults(random);
    plan.ChartPaper = Chance(random, 25);
    plan.ApplicationId = Chance(random, 30) ? 0 : 17;
    plan.ManagerRefuses = Chance(random, 8);
    int believed = 0;
    for (size_t i = 0; i < actions; ++i) {
        Action action;
        if (Chance(random, 3)) {
            action.Kind = ActionKind::ChangeFaults;
            action.Faults = PlanFaults(random);
        } else if (Chance(random, 60)) {
            PlanStep(random, believed, action);
        } else {
            PlanAnyTriplet(random, action);
        }
        FillPayload(random, action);
        plan.Actions.push_back(action);
    }
    return plan;
}

bool FaultsMayStall(const std::string& faults) {
    return faults.find("stall") != std::string::npos || faults.find("stuck") != std::string::npos ||
           faults.find("retry") != std::string::npos;
}

namespace {

const char* HandleName(BlockHandle handle) {
    switch (handle) {
    case BlockHandle::Movable:
        return "movable";
    case BlockHandle::Fixed:
        return "fixed";
    case BlockHandle::Null:
        return "null";
    case BlockHandle::Freed:
        return "freed";
    case BlockHandle::Bogus:
        return "bogus";
    default:
        return "plain";
    }
}

}  // namespace

std::string Describe(const Action& action) {
    std::ostringstream out;
    if (action.Kind == ActionKind::ChangeFaults) {
        out << "TARNSCAN_FAULTS=\"" << action.Faults << "\"";
        return out.str();
    }
    const char* origins[] = {"app", "stranger", "no-origin"};
    out << origins[static_cast<int>(action.From)] << std::hex << " dg=0x" << action.Dg << " dat=0x"
        << action.Dat << " msg=0x" << action.Msg << std::dec;
    if (action.NullData) {
        out << " data=null";
        return out.str();
    }
    if (action.Dat == DAT_CAPABILITY) {
        const ContainerPlan& c = action.Container;
        out << " cap=0x" << std::hex << action.Cap << std::dec << " contype=" << c.ConType
            << " layout=" << c.Layout << " itemtype=" << c.ItemType << " numitems=" << c.NumItems
            << " current=" << c.CurrentIndex << " size" << (c.SizeAdjustment >= 0 ? "+" : "")
            << c.SizeAdjustment << " handle=" << HandleName(c.Handle) << " items=";
        for (size_t i = 0; i < c.Items.size(); ++i)
            out << (i ? "," : "") << c.Items[i];
    } else if (action.Dat == DAT_IMAGELAYOUT) {
        out << " frame=";
        for (int i = 0; i < 4; ++i)
            out << (i ? "," : "") << action.Frame[i].Whole << "+" << action.Frame[i].Frac
                << "/65536";
    } else if (action.Dat == DAT_IMAGEMEMXFER) {
        const BufferPlan& b = action.Buffer;
        out << " flags=0x" << std::hex << b.Flags << std::dec << " length=" << b.Length
            << " bytes=" << b.Bytes << " buffer=" << HandleName(b.Handle);
    } else if (action.Dat == DAT_USERINTERFACE) {
        out << " showui=" << action.ShowUI;
    }
    return out.str();
}

std::string Describe(const RunPlan& plan) {
    std::ostringstream out;
    out << "model " << plan.Model << ", faults \"" << plan.Faults << "\", paper "
        << (plan.ChartPaper ? "chart" : "flat") << ", application id " << plan.ApplicationId
        << (plan.ManagerRefuses ? ", notifications refused" : "");
    return out.str();
}

}  // namespace dsfuzz

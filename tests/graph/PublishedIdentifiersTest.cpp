// Every class, interface, media-type and device-category identifier the
// program declares, against the values the Windows SDK publishes. The program
// and the simulation share these constants, so only this comparison can tell
// a wrong digit.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/com/Bda.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DirectShow.h"
#include "platform/com/Moniker.h"
#include "platform/com/SectionsFilter.h"
#include "platform/com/Tuning.h"
#include "platform/sections/Mpeg2Data.h"

namespace {

std::string Text(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", guid.Data1, guid.Data2,
                  guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

struct Published {
    const char* name;
    const GUID& declared;
    const char* value;
};

const Published kPublished[] = {
    // COM and OLE
    {"IID_IUnknown", IID_IUnknown, "00000000-0000-0000-C000-000000000046"},
    {"IID_IMalloc", IID_IMalloc, "00000002-0000-0000-C000-000000000046"},
    {"IID_IBindCtx", IID_IBindCtx, "0000000E-0000-0000-C000-000000000046"},
    {"IID_IMoniker", IID_IMoniker, "0000000F-0000-0000-C000-000000000046"},
    {"IID_IRunningObjectTable", IID_IRunningObjectTable, "00000010-0000-0000-C000-000000000046"},
    {"IID_IEnumMoniker", IID_IEnumMoniker, "00000102-0000-0000-C000-000000000046"},
    {"IID_IPersist", IID_IPersist, "0000010C-0000-0000-C000-000000000046"},
    {"IID_IPropertyBag", IID_IPropertyBag, "55272A00-42CB-11CE-8135-00AA004BB851"},
    {"IID_IErrorLog", IID_IErrorLog, "3127CA40-446E-11CE-8135-00AA004BB851"},
    {"IID_IConnectionPointContainer", IID_IConnectionPointContainer, "B196B284-BAB4-101A-B69C-00AA00341D07"},
    {"IID_IConnectionPoint", IID_IConnectionPoint, "B196B286-BAB4-101A-B69C-00AA00341D07"},
    // DirectShow
    {"IID_IPin", IID_IPin, "56A86891-0AD4-11CE-B03A-0020AF0BA770"},
    {"IID_IEnumPins", IID_IEnumPins, "56A86892-0AD4-11CE-B03A-0020AF0BA770"},
    {"IID_IEnumFilters", IID_IEnumFilters, "56A86893-0AD4-11CE-B03A-0020AF0BA770"},
    {"IID_IBaseFilter", IID_IBaseFilter, "56A86895-0AD4-11CE-B03A-0020AF0BA770"},
    {"IID_IMediaFilter", IID_IMediaFilter, "56A86899-0AD4-11CE-B03A-0020AF0BA770"},
    {"IID_IFilterGraph", IID_IFilterGraph, "56A8689F-0AD4-11CE-B03A-0020AF0BA770"},
    {"IID_IGraphBuilder", IID_IGraphBuilder, "56A868A9-0AD4-11CE-B03A-0020AF0BA770"},
    {"IID_IMediaControl", IID_IMediaControl, "56A868B1-0AD4-11CE-B03A-0020AF0BA770"},
    {"IID_IEnumMediaTypes", IID_IEnumMediaTypes, "89C31040-846B-11CE-97D3-00AA0055595A"},
    {"IID_ICreateDevEnum", IID_ICreateDevEnum, "29840822-5B84-11D0-BD3B-00A0C911CE86"},
    {"CLSID_FilterGraph", CLSID_FilterGraph, "E436EBB3-524F-11CE-9F53-0020AF0BA770"},
    {"CLSID_SystemDeviceEnum", CLSID_SystemDeviceEnum, "62BE5D10-60EB-11D0-BD3B-00A0C911CE86"},
    {"CLSID_MPEG2Demultiplexer", CLSID_MPEG2Demultiplexer, "AFB6C280-2C41-11D3-8A60-0000F81E0E4A"},
    {"MEDIATYPE_Stream", MEDIATYPE_Stream, "E436EB83-524F-11CE-9F53-0020AF0BA770"},
    {"MEDIASUBTYPE_None", MEDIASUBTYPE_None, "E436EB8E-524F-11CE-9F53-0020AF0BA770"},
    {"MEDIASUBTYPE_MPEG2_TRANSPORT", MEDIASUBTYPE_MPEG2_TRANSPORT, "E06D8023-DB46-11CF-B4D1-00805F6CBBEA"},
    {"MEDIATYPE_MPEG2_SECTIONS", MEDIATYPE_MPEG2_SECTIONS, "455F176C-4B06-47CE-9AEF-8CAEF73DF7B5"},
    {"MEDIASUBTYPE_MPEG2DATA", MEDIASUBTYPE_MPEG2DATA, "C892E55B-252D-42B5-A316-D997E7A5D995"},
    // BDA: kernel-streaming formats and device categories
    {"KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT", KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT,
     "F4AEB342-0329-4FDD-A8FD-4AFF4926C978"},
    {"KSDATAFORMAT_TYPE_BDA_ANTENNA", KSDATAFORMAT_TYPE_BDA_ANTENNA, "71985F41-1CA1-11D3-9CC8-00C04F7971E0"},
    {"KSCATEGORY_BDA_NETWORK_TUNER", KSCATEGORY_BDA_NETWORK_TUNER, "71985F48-1CA1-11D3-9CC8-00C04F7971E0"},
    {"KSCATEGORY_BDA_NETWORK_PROVIDER", KSCATEGORY_BDA_NETWORK_PROVIDER, "71985F4B-1CA1-11D3-9CC8-00C04F7971E0"},
    {"KSCATEGORY_BDA_RECEIVER_COMPONENT", KSCATEGORY_BDA_RECEIVER_COMPONENT, "FD0A5AF4-B41D-11D2-9C95-00C04F7971E0"},
    {"KSCATEGORY_BDA_TRANSPORT_INFORMATION", KSCATEGORY_BDA_TRANSPORT_INFORMATION,
     "A2E3074F-6C3D-11D3-B653-00C04F79498E"},
    // BDA: topology, statistics, guide data
    {"IID_IBDA_Topology", IID_IBDA_Topology, "79B56888-7FEA-4690-B45D-38FD3C7849BE"},
    {"IID_IBDA_SignalStatistics", IID_IBDA_SignalStatistics, "1347D106-CF3A-428A-A5CB-AC0D9A2A4338"},
    {"IID_IGuideDataEvent", IID_IGuideDataEvent, "EFDA0C80-F395-42C3-9B3C-56B37DEC7BB7"},
    // Tuning model
    {"IID_ITuningSpace", IID_ITuningSpace, "061C6E30-E622-11D2-9493-00C04F72D980"},
    {"IID_IDVBTuningSpace", IID_IDVBTuningSpace, "ADA0B268-3B19-4E5B-ACC4-49F852BE13BA"},
    {"IID_IDVBTuningSpace2", IID_IDVBTuningSpace2, "843188B4-CE62-43DB-966B-8145A094E040"},
    {"IID_ITuneRequest", IID_ITuneRequest, "07DDC146-FC3D-11D2-9D8C-00C04F72D980"},
    {"IID_IDVBTuneRequest", IID_IDVBTuneRequest, "0D6F567E-A636-42BB-83BA-CE4C1704AFA2"},
    {"IID_ILocator", IID_ILocator, "286D7F89-760C-4F89-80C4-66841D2507AA"},
    {"IID_IDVBTLocator", IID_IDVBTLocator, "8664DA16-DDA2-42AC-926A-C18F9127C302"},
    {"IID_ITuner", IID_ITuner, "28C52640-018A-11D3-9D8E-00C04F72D980"},
    {"IID_IScanningTuner", IID_IScanningTuner, "1DFD0A5C-0284-11D3-9D8E-00C04F72D980"},
    {"CLSID_DVBTuningSpace", CLSID_DVBTuningSpace, "C6B14B32-76AA-4A86-A7AC-5C79AAF58DA7"},
    {"CLSID_DVBTLocator", CLSID_DVBTLocator, "9CD64701-BDF3-4D14-8E03-F12983D86664"},
    {"CLSID_DVBTNetworkProvider", CLSID_DVBTNetworkProvider, "216C62DF-6D7F-4E9A-8571-05F14EDB766A"},
    // MPEG-2 sections and tables
    {"IID_IMpeg2Data", IID_IMpeg2Data, "9B396D40-F380-4E3C-A514-1A82BF6EBFE6"},
    {"IID_ISectionList", IID_ISectionList, "AFEC1EB5-2A64-46C6-BF4B-AE3CCB6AFDB0"},
    {"CLSID_Mpeg2Data", CLSID_Mpeg2Data, "C666E115-BB62-4027-A113-82D643FE2D99"},
};

TEST(PublishedIdentifiers, EveryDeclaredIdentifierHasItsPublishedValue) {
    for (const Published& each : kPublished) EXPECT_EQ(each.value, Text(each.declared)) << each.name;
}

TEST(PublishedIdentifiers, NoTwoIdentifiersShareAValue) {
    for (const Published& a : kPublished)
        for (const Published& b : kPublished)
            if (&a != &b) {
                EXPECT_FALSE(a.declared == b.declared) << a.name << " and " << b.name;
            }
}

}  // namespace

#include "drf/KeyTables.h"

namespace drf {

namespace {

constexpr KeyDescriptor u8(std::string_view n, std::uint32_t off) {
    return {n, kTypeU8, 1, off};
}
constexpr KeyDescriptor u16(std::string_view n, std::uint32_t off) {
    return {n, kTypeU16, 1, off};
}
constexpr KeyDescriptor u32(std::string_view n, std::uint32_t off) {
    return {n, kTypeU32, 1, off};
}
constexpr KeyDescriptor i8(std::string_view n, std::uint32_t off) {
    return {n, kTypeI8, 1, off};
}
constexpr KeyDescriptor i32(std::string_view n, std::uint32_t off) {
    return {n, kTypeI32, 1, off};
}
constexpr KeyDescriptor arr(std::string_view n, std::uint8_t type, std::uint32_t count, std::uint32_t off) {
    return {n, type, count, off};
}
constexpr KeyDescriptor identity(std::uint32_t off) {
    return {{}, kTypeIdentity, 1, off};
}

// ---- print-engine kinds ---------------------------------------------------

constexpr KeyDescriptor kConfigurationKeys[] = {identity(0)};

constexpr KeyDescriptor kResolutionsKeys[] = {u32("RenderRes", 0), u32("TrackSpacingNM", 4),
                                              u32("MarkSpacingNM", 8), identity(12)};

constexpr KeyDescriptor kImageEnhancementKeys[] = {i8("Scaling", 0),      i8("Contrast", 1),
                                                   i8("ShadowDetail", 2), i8("Sharpening", 3),
                                                   i8("Smoothing", 4),    identity(8)};

constexpr KeyDescriptor kColorsKeys[] = {u8("GrayscaleFlag", 0),
                                         u8("HTColorFormat", 1),
                                         u16("HTBlackLevels", 2),
                                         u16("HTColorLevels", 4),
                                         u8("TMColorFormat", 6),
                                         u8("MCColorFormat", 7),
                                         u8("PhotocopyFlag", 8),
                                         i8("Temperature", 9),
                                         i8("Brightness", 10),
                                         i8("Vividness", 11),
                                         i8("InkLevel", 12),
                                         i8("InkLevelLow", 13),
                                         identity(16)};

constexpr KeyDescriptor kPrintPreviewKeys[] = {u16("BackgroundRed", 0),
                                               u16("BackgroundGreen", 2),
                                               u16("BackgroundBlue", 4),
                                               u16("ForegroundRed", 6),
                                               u16("ForegroundGreen", 8),
                                               u16("ForegroundBlue", 10),
                                               identity(12)};

constexpr KeyDescriptor kTrackingKeys[] = {i32("PerTrackShiftAngle", 0), u8("HostDynamicTrackShifts", 4),
                                           u8("TrackOutward", 5),        u8("TrackDirCW", 6),
                                           u8("TrackModeCLV", 7),        identity(8)};

#define QM_DRF_MARKING_KEYS                                                                                  \
    u32("LaserWritePower", 0), u32("WriteVelocity", 4), u32("LaserReadPower", 8),                            \
        u32("MaxLaserReadPower", 12), i32("PwrCvtSlopeNum", 16), i32("PwrCvtSlopeDen", 20),                  \
        i32("PwrCvtOffset", 24), i32("ReadPwrCvtSlopeNum", 28), i32("ReadPwrCvtSlopeDen", 32),               \
        i32("ReadPwrCvtOffset", 36), i32("WrtPwrUTFix", 40), i32("WrtPwrLTFix", 44), i32("WrtPwrUTRel", 48), \
        i32("WrtPwrLTRel", 52), u8("CutBlankTracks", 56), u8("CutBlankPasses", 57), u8("UseFDflt", 58),      \
        u8("AccumulatePasses", 59)

constexpr KeyDescriptor kMarkingKeys[] = {QM_DRF_MARKING_KEYS, identity(60)};

constexpr KeyDescriptor kMarking2Keys[] = {QM_DRF_MARKING_KEYS, u8("TrkLenRndMode", 60),
                                           u8("TrimCircTracks", 61), i32("FocusOffset", 64), identity(68)};
#undef QM_DRF_MARKING_KEYS

constexpr KeyDescriptor kFeaturesKeys[] = {u8("EnableSpiralTracking", 0),
                                           u8("EnableSpiralHostSeamModulation", 1),
                                           u8("Reserved01", 2),
                                           u8("Reserved02", 3),
                                           u8("Reserved03", 4),
                                           u8("Reserved04", 5),
                                           u8("Reserved05", 6),
                                           u8("Reserved06", 7),
                                           u8("Reserved07", 8),
                                           u8("Reserved08", 9),
                                           u8("Reserved09", 10),
                                           u8("Reserved10", 11),
                                           u8("Reserved11", 12),
                                           u8("Reserved12", 13),
                                           u8("Reserved13", 14),
                                           u8("Reserved14", 15),
                                           u8("Reserved15", 16),
                                           u8("Reserved16", 17),
                                           u8("Reserved17", 18),
                                           u8("Reserved18", 19),
                                           u8("Reserved19", 20),
                                           u8("Reserved20", 21),
                                           u8("Reserved21", 22),
                                           u8("Reserved22", 23),
                                           identity(24)};

constexpr KeyDescriptor kDriveDataKeys[] = {u8("AccumulatePasses", 0),      u8("CutBlankPasses", 1),
                                            u8("CutBlankTracks", 2),        i32("PwrCvtOffset", 4),
                                            i32("PwrCvtSlopeDen", 8),       i32("PwrCvtSlopeNum", 12),
                                            i32("ReadPwrCvtOffset", 16),    i32("ReadPwrCvtSlopeDen", 20),
                                            i32("ReadPwrCvtSlopeNum", 24),  u8("TrkLenRndMode", 28),
                                            u8("TrimCircTracks", 29),       i32("WrtPwrLTFix", 32),
                                            i32("WrtPwrLTRel", 36),         i32("WrtPwrUTFix", 40),
                                            i32("WrtPwrUTRel", 44),         u8("HostDynamicTrackShifts", 48),
                                            u8("TrackOutward", 49),         u8("EnableSpiralTracking", 50),
                                            u8("EnableSeamModulation", 51), u8("Reserved01", 52),
                                            u8("Reserved02", 53),           u8("Reserved03", 54),
                                            u8("Reserved04", 55),           u32("Reserved05", 56),
                                            u32("Reserved06", 60),          u32("Reserved07", 64),
                                            u32("Reserved08", 68),          i32("Reserved09", 72),
                                            i32("Reserved10", 76),          i32("Reserved11", 80),
                                            i32("Reserved12", 84),          identity(88)};

constexpr KeyDescriptor kDriveMediaDataKeys[] = {
    u16("HTBlackLevels", 0),   u16("HTColorLevels", 2),  u8("HTColorFormat", 4),
    u8("TMColorFormat", 5),    u8("MCColorFormat", 6),   i8("Brightness", 7),
    i8("Temperature", 8),      i8("Vividness", 9),       u8("GrayscaleFlag", 10),
    i8("InkLevel", 11),        u16("BackgroundRed", 12), u16("BackgroundGreen", 14),
    u16("BackgroundBlue", 16), u16("ForegroundRed", 18), u16("ForegroundGreen", 20),
    u16("ForegroundBlue", 22), u8("UseFDflt", 24),       u8("Reserved01", 25),
    u8("Reserved02", 26),      u8("Reserved03", 27),     u8("Reserved04", 28),
    u32("Reserved05", 32),     u32("Reserved06", 36),    u32("Reserved07", 40),
    u32("Reserved08", 44),     i32("Reserved09", 48),    i32("Reserved10", 52),
    i32("Reserved11", 56),     i32("Reserved12", 60),    identity(64)};

constexpr KeyDescriptor kPrintModeDataKeys[] = {i32("FocusOffset", 0),
                                                u32("LaserReadPower", 4),
                                                u32("LaserWritePower", 8),
                                                u32("WriteVelocity", 12),
                                                i32("PerTrackShiftAngle", 16),
                                                u32("MarkSpacingNM", 20),
                                                u32("TrackSpacingNM", 24),
                                                u32("RenderRes", 28),
                                                i8("Contrast", 32),
                                                i8("Scaling", 33),
                                                i8("ShadowDetail", 34),
                                                i8("Sharpening", 35),
                                                i8("Smoothing", 36),
                                                u8("Reserved01", 37),
                                                u8("Reserved02", 38),
                                                u8("Reserved03", 39),
                                                u8("Reserved04", 40),
                                                u32("Reserved05", 44),
                                                u32("Reserved06", 48),
                                                u32("Reserved07", 52),
                                                u32("Reserved08", 56),
                                                i32("Reserved09", 60),
                                                i32("Reserved10", 64),
                                                i32("Reserved11", 68),
                                                i32("Reserved12", 72),
                                                identity(76)};

template <std::size_t N> constexpr std::span<const KeyDescriptor> keys(const KeyDescriptor (&table)[N]) {
    return {table, N};
}

// Record size is the identity's offset plus its 28 bytes.
template <std::size_t N> constexpr std::uint32_t sizeOf(const KeyDescriptor (&table)[N]) {
    return table[N - 1].offset + kRecordIdentitySize;
}

#define QM_DRF_KIND(name, table, index)                                                                      \
    ResourceFileKind {                                                                                       \
        name, keys(table), sizeOf(table), index                                                              \
    }

constexpr ResourceFileKind kPrintEngineGen1[] = {
    QM_DRF_KIND("ConfigurationFile", kConfigurationKeys, 0),
    QM_DRF_KIND("ResolutionsFile", kResolutionsKeys, 1),
    QM_DRF_KIND("ImageEnhancementFile", kImageEnhancementKeys, 2),
    QM_DRF_KIND("ColorsFile", kColorsKeys, 3),
    QM_DRF_KIND("PrintPreviewFile", kPrintPreviewKeys, 4),
    QM_DRF_KIND("TrackingFile", kTrackingKeys, 5),
    QM_DRF_KIND("MarkingFile", kMarkingKeys, 6),
};
constexpr ResourceFileKind kPrintEngineGen2[] = {
    QM_DRF_KIND("ConfigurationFile", kConfigurationKeys, 0),
    QM_DRF_KIND("ResolutionsFile", kResolutionsKeys, 1),
    QM_DRF_KIND("ImageEnhancementFile", kImageEnhancementKeys, 2),
    QM_DRF_KIND("ColorsFile", kColorsKeys, 3),
    QM_DRF_KIND("PrintPreviewFile", kPrintPreviewKeys, 4),
    QM_DRF_KIND("TrackingFile", kTrackingKeys, 5),
    QM_DRF_KIND("Marking2File", kMarking2Keys, 6),
};
constexpr ResourceFileKind kPrintEngineGen3[] = {
    QM_DRF_KIND("ConfigurationFile", kConfigurationKeys, 0),
    QM_DRF_KIND("ResolutionsFile", kResolutionsKeys, 1),
    QM_DRF_KIND("ImageEnhancementFile", kImageEnhancementKeys, 2),
    QM_DRF_KIND("ColorsFile", kColorsKeys, 3),
    QM_DRF_KIND("PrintPreviewFile", kPrintPreviewKeys, 4),
    QM_DRF_KIND("TrackingFile", kTrackingKeys, 5),
    QM_DRF_KIND("Marking2File", kMarking2Keys, 6),
    QM_DRF_KIND("FeaturesFile", kFeaturesKeys, 7),
};
constexpr ResourceFileKind kPrintEngineGen4[] = {
    QM_DRF_KIND("DriveDataFile", kDriveDataKeys, 0),
    QM_DRF_KIND("DriveMediaDataFile", kDriveMediaDataKeys, 1),
    QM_DRF_KIND("PrintModeDataFile", kPrintModeDataKeys, 2),
};

// ---- the other libraries ---------------------------------------------------

constexpr ResourceFileKind kVarmelonGen1[] = {QM_DRF_KIND("ConfigurationFile", kConfigurationKeys, 0)};

constexpr KeyDescriptor kThresholdsKeys[] = {u32("Length", 0), arr({}, kTypeU32, 3, 4),
                                             arr({}, kTypeU32, 3, 16), arr({}, kTypeU32, 3, 28),
                                             identity(40)};
constexpr ResourceFileKind kQuessaGen1[] = {QM_DRF_KIND("ThresholdsFile", kThresholdsKeys, 0)};

constexpr KeyDescriptor kPrintMaskKeys[] = {u32("Height", 0), u32("Length", 4), arr({}, kTypeU8, 16, 8),
                                            identity(24)};
constexpr KeyDescriptor kEnableFlagsKeys[] = {u32("Length", 0), arr({}, kTypeI32, 4, 4), identity(20)};
constexpr KeyDescriptor kTrackAdvanceKeys[] = {u32("SwathCount", 0), u32("Length", 4),
                                               arr({}, kTypeU16, 4, 8), identity(16)};
constexpr ResourceFileKind kLorvaneGen1[] = {
    QM_DRF_KIND("BlackPrintMaskFile", kPrintMaskKeys, 0),
    QM_DRF_KIND("BlackEnableFlagsFile", kEnableFlagsKeys, 1),
    QM_DRF_KIND("CyanPrintMaskFile", kPrintMaskKeys, 2),
    QM_DRF_KIND("CyanEnableFlagsFile", kEnableFlagsKeys, 3),
    QM_DRF_KIND("MagentaPrintMaskFile", kPrintMaskKeys, 4),
    QM_DRF_KIND("MagentaEnableFlagsFile", kEnableFlagsKeys, 5),
    QM_DRF_KIND("YellowPrintMaskFile", kPrintMaskKeys, 6),
    QM_DRF_KIND("YellowEnableFlagsFile", kEnableFlagsKeys, 7),
    QM_DRF_KIND("TrackAdvanceFile", kTrackAdvanceKeys, 8),
};

constexpr KeyDescriptor kHalftoneConfigKeys[] = {u8("MediaBlackCapable", 0),
                                                 u8("CMLSBDither", 1),
                                                 u8("KHTAlg", 2),
                                                 u8("ChHTAlg", 3),
                                                 u8("ClHTAlg", 4),
                                                 u8("MhHTAlg", 5),
                                                 u8("MlHTAlg", 6),
                                                 u8("YHTAlg", 7),
                                                 u8("RandomizeInitialErrors", 8),
                                                 u8("UpperRandomBound", 9),
                                                 u8("RandomizeOverWhiteSpace", 10),
                                                 u8("InitialDistanceTerm", 11),
                                                 u8("LinearizeOn", 12),
                                                 u8("LinearizeK", 13),
                                                 u8("LinearizeCh", 14),
                                                 u8("LinearizeCl", 15),
                                                 u8("LinearizeMh", 16),
                                                 u8("LinearizeMl", 17),
                                                 u8("LinearizeY", 18),
                                                 identity(20)};
constexpr KeyDescriptor kColorMapKeys[] = {arr({}, kTypeU8, 19652, 0),
                                           arr("SpecialKValue", kTypeU8, 4, 19652),
                                           u32("CyanNominalDropVolume", 19656),
                                           u32("MagentaNominalDropVolume", 19660),
                                           u32("YellowNominalDropVolume", 19664),
                                           u32("BlackNominalDropVolume", 19668),
                                           u8("ColorHiFipeLevels", 19672),
                                           arr("ColorDropsPerLevel", kTypeU8, 16, 19673),
                                           u8("BlackHiFipeLevels", 19689),
                                           arr("BlackDropsPerLevel", kTypeU8, 16, 19690),
                                           arr({}, kTypeU8, 2, 19706),
                                           identity(19708)};
constexpr KeyDescriptor kInterpHelperKeys[] = {arr({}, kTypeU16, 4096, 0), identity(8192)};
constexpr KeyDescriptor kDepletionMapKeys[] = {arr({}, kTypeU8, 20, 0), identity(20)};
constexpr KeyDescriptor kBytes256Keys[] = {arr({}, kTypeU8, 256, 0), identity(256)};
constexpr KeyDescriptor kBytes1024Keys[] = {arr({}, kTypeU8, 1024, 0), identity(1024)};
constexpr KeyDescriptor kTenBitKeys[] = {arr({}, kTypeU16, 1024, 0), identity(2048)};
constexpr KeyDescriptor kSfedWeightsKeys[] = {arr({}, kTypeU8, 768, 0), identity(768)};
constexpr KeyDescriptor kDitherKeys[] = {u8("RowSize", 0),           u8("RepRowSize", 1), u8("KOffset", 2),
                                         u8("COffset", 3),           u8("MOffset", 4),    u8("YOffset", 5),
                                         arr({}, kTypeU8, 16390, 6), identity(16396)};
constexpr KeyDescriptor kBytes512Keys[] = {arr({}, kTypeU8, 512, 0), identity(512)};
constexpr KeyDescriptor kBytes16384Keys[] = {arr({}, kTypeU8, 16384, 0), identity(16384)};
constexpr KeyDescriptor kBytes16Keys[] = {arr({}, kTypeU8, 16, 0), identity(16)};

constexpr ResourceFileKind kPendritheGen1[] = {
    QM_DRF_KIND("ConfigurationFile", kHalftoneConfigKeys, 0),
    QM_DRF_KIND("HighColorMapFile", kColorMapKeys, 1),
    QM_DRF_KIND("LowColorMapFile", kColorMapKeys, 2),
    QM_DRF_KIND("InterpHelperFile", kInterpHelperKeys, 3),
    QM_DRF_KIND("DepletionMapFile", kDepletionMapKeys, 4),
    QM_DRF_KIND("GrayCurveFile", kBytes256Keys, 5),
    QM_DRF_KIND("KBreakpointFile", kBytes1024Keys, 6),
    QM_DRF_KIND("CBreakpointFile", kBytes1024Keys, 7),
    QM_DRF_KIND("MBreakpointFile", kBytes1024Keys, 8),
    QM_DRF_KIND("YBreakpointFile", kBytes1024Keys, 9),
    QM_DRF_KIND("TenBitTableFile", kTenBitKeys, 10),
    QM_DRF_KIND("ThresholdFile", kBytes256Keys, 11),
    QM_DRF_KIND("SFEDWeightsFile", kSfedWeightsKeys, 12),
    QM_DRF_KIND("DitherMatrixFile", kDitherKeys, 13),
    QM_DRF_KIND("PhotocopyFaxFile", kDitherKeys, 14),
    QM_DRF_KIND("TDWeightsFile", kBytes1024Keys, 15),
    QM_DRF_KIND("TDT1T2File", kBytes512Keys, 16),
    QM_DRF_KIND("TDDBSMidFile", kBytes16384Keys, 17),
    QM_DRF_KIND("LinearizationFile", kBytes512Keys, 18),
    QM_DRF_KIND("LinThreshFile", kBytes16Keys, 19),
    QM_DRF_KIND("WideHighColorMapFile", kColorMapKeys, 20),
    QM_DRF_KIND("WideLowColorMapFile", kColorMapKeys, 21),
};
#undef QM_DRF_KIND

// ---- entry slots -----------------------------------------------------------

constexpr std::uint8_t kSlotsPe1[] = {3, 4, 5, 6, 7, 8, 9};
constexpr std::uint8_t kSlotsPe2[] = {3, 4, 5, 6, 7, 8, 10}; // slot 9 is unused and written as zero
constexpr std::uint8_t kSlotsPe3[] = {3, 4, 5, 6, 7, 8, 9, 10};
constexpr std::uint8_t kSlotsPe4[] = {3, 4, 5};
constexpr std::uint8_t kSlotsOne[] = {3};
constexpr std::uint8_t kSlotsLorvane[] = {3, 4, 7, 8, 5, 6, 9, 10, 11};
constexpr std::uint8_t kSlotsPendrithe[] = {3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                            14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};

constexpr LibraryLayout kLayouts[] = {
    {"PrintEngineFactoryGen1", 5, 1, kPrintEngineGen1, 40, kSlotsPe1},
    {"PrintEngineFactoryGen2", 5, 2, kPrintEngineGen2, 44, kSlotsPe2},
    {"PrintEngineFactoryGen3", 5, 3, kPrintEngineGen3, 44, kSlotsPe3},
    {"PrintEngineFactoryGen4", 5, 4, kPrintEngineGen4, 24, kSlotsPe4},
    {"VarmelonFactoryGen1", 4, 1, kVarmelonGen1, 16, kSlotsOne},
    {"QuessaFactoryGen1", 3, 1, kQuessaGen1, 16, kSlotsOne},
    {"LorvaneFactoryGen1", 2, 1, kLorvaneGen1, 48, kSlotsLorvane},
    {"PendritheFactoryGen1", 1, 1, kPendritheGen1, 100, kSlotsPendrithe},
};

} // namespace

const KeyDescriptor* ResourceFileKind::findKey(std::string_view keyName) const {
    if (keyName.empty())
        return nullptr;
    for (const auto& key : keys) {
        if (key.name == keyName)
            return &key;
    }
    return nullptr;
}

std::span<const ResourceFileKind> printEngineKinds(std::uint32_t generation) {
    const LibraryLayout* layout = findLibraryLayout(5, generation);
    return layout ? layout->kinds : std::span<const ResourceFileKind>{};
}
std::span<const ResourceFileKind> varmelonKinds() {
    return kVarmelonGen1;
}
std::span<const ResourceFileKind> quessaKinds() {
    return kQuessaGen1;
}
std::span<const ResourceFileKind> lorvaneKinds() {
    return kLorvaneGen1;
}
std::span<const ResourceFileKind> pendritheKinds() {
    return kPendritheGen1;
}

const LibraryLayout* findLibraryLayout(int sectionType, std::uint32_t generation) {
    for (const auto& layout : kLayouts) {
        if (layout.sectionType == sectionType && layout.generation == generation)
            return &layout;
    }
    return nullptr;
}

std::span<const LibraryLayout> allLibraryLayouts() {
    return kLayouts;
}

std::string_view qualityValueToName(std::uint16_t value) {
    for (const auto& row : kQualityNames) {
        if (row.value == value)
            return row.name;
    }
    for (const auto& row : kQualityNames) {
        if (row.value == kQualityInvalid)
            return row.name;
    }
    return {};
}

std::uint16_t qualityNameToValue(std::string_view name) {
    for (const auto& row : kQualityNames) {
        if (row.name == name)
            return row.value;
    }
    return kQualityInvalid;
}

std::uint16_t editorQualityValue(std::string_view shownName) {
    for (const auto& row : kEditorQualities) {
        if (row.name == shownName)
            return row.value;
    }
    return kQualityNormal;
}

std::string_view editorQualityName(std::uint16_t value) {
    for (const auto& row : kEditorQualities) {
        if (row.value == value)
            return row.name;
    }
    return {};
}

} // namespace drf

#include "drf/EditorValues.h"

#include "drf/Status.h"

namespace drf {

ResourcePart* editorValuePart(const PrintEngineResourcesImpl& set, EditorValueIndex index,
                              std::string_view& key) {
    for (const auto& source : kEditorValues[index].sources) {
        if (source.part.empty())
            break;
        if (ResourcePart* part = set.part(source.part)) {
            key = source.key;
            return part;
        }
    }
    return nullptr;
}

int readEditorValue(const PrintEngineResourcesImpl& set, EditorValueIndex index, std::uint32_t formatVersion,
                    std::int64_t& value) {
    std::string_view key;
    const ResourcePart* part = editorValuePart(set, index, key);
    if (!part) {
        if (formatVersion < kEditorValues[index].sinceFormat) {
            value = 0;
            return kResultOk;
        }
        return kResultBadData;
    }
    return toResult(part->value(key, value));
}

int writeEditorValue(PrintEngineResourcesImpl& set, EditorValueIndex index, std::uint32_t formatVersion,
                     std::int64_t value) {
    std::string_view key;
    ResourcePart* part = editorValuePart(set, index, key);
    if (!part)
        return formatVersion < kEditorValues[index].sinceFormat ? kResultOk : kResultBadData;
    return toResult(part->setValue(key, value));
}

int readEditorValues(const PrintEngineResourcesImpl& set, std::uint32_t formatVersion,
                     EditorValueArray& values) {
    for (int i = 0; i < kEditorValueCount; ++i) {
        if (int r = readEditorValue(set, static_cast<EditorValueIndex>(i), formatVersion, values[i]);
            r != kResultOk)
            return r;
    }
    return kResultOk;
}

int writeEditorValues(PrintEngineResourcesImpl& set, std::uint32_t formatVersion,
                      const EditorValueArray& values) {
    for (int i = 0; i < kEditorValueCount; ++i) {
        if (int r = writeEditorValue(set, static_cast<EditorValueIndex>(i), formatVersion, values[i]);
            r != kResultOk)
            return r;
    }
    return kResultOk;
}

} // namespace drf

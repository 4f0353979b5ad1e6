// Named, counted properties attached to result entries; the asset property holds a KUID.
#pragma once

#include "core/KUID.h"

#include <memory>
#include <string>
#include <string_view>

class VelmarProperty {
public:
    explicit VelmarProperty(std::string name) : name_(std::move(name)) {}
    virtual ~VelmarProperty() = default;

    const std::string& Name() const { return name_; }
    // The value written as text.
    virtual std::string ValueAsText() const = 0;

private:
    std::string name_;
};

// Properties are shared by entries, context stacks and copies of logs; the last holder frees them.
using VelmarPropertyRef = std::shared_ptr<const VelmarProperty>;

class VelmarPropertyAssetID final : public VelmarProperty {
public:
    explicit VelmarPropertyAssetID(KUID kuid, std::string name = "AssetID")
        : VelmarProperty(std::move(name)), kuid_(kuid)
    {
    }

    KUID Kuid() const { return kuid_; }
    std::string ValueAsText() const override { return kuid_.ToTagText(); }

private:
    KUID kuid_;
};

// A new "AssetID" property holding `kuid`.
inline VelmarPropertyRef MakeAssetProperty(KUID kuid) { return std::make_shared<VelmarPropertyAssetID>(kuid); }

#pragma once

#include "tarncore/settings/bitratesupport.h"
#include "tarncore/settings/rule.h"

namespace Tarn {

// A rule that says which bit rates a matching query may use.
class TARNCORE_EXPORT BitRateRule : public Rule
{
public:
    const BitRateSupport &getSupport() const { return support; }
    void setSupport(const BitRateSupport &value) { support = value; }

    bool isValid() const;

private:
    BitRateSupport support;
};

} // namespace Tarn

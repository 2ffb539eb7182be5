#pragma once

#include "tarncore/settings/codecsupport.h"
#include "tarncore/settings/rule.h"

namespace Tarn {

// A rule that says which codecs a matching query may use.
class TARNCORE_EXPORT CodecRule : public Rule
{
public:
    const CodecSupport &getSupport() const { return support; }
    void setSupport(const CodecSupport &value) { support = value; }

    bool isValid() const;

private:
    CodecSupport support;
};

} // namespace Tarn

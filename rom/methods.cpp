#include "rom/methods.h"

namespace rom {

ParamKind KindOf(int code)
{
    if (code < 0 || code >= static_cast<int>(kMethods.size()))
        return ParamKind::Constant;
    return kMethods[static_cast<std::size_t>(code)].kind;
}

}  // namespace rom

#include "rom/methods.h"

namespace rom {

const Method* MethodOf(int code)
{
    if (code < 0 || code >= static_cast<int>(kMethods.size()))
        return nullptr;
    return &kMethods[static_cast<std::size_t>(code)];
}

ParamKind KindOf(int code)
{
    const Method* method = MethodOf(code);
    return method ? method->kind : ParamKind::Constant;
}

}  // namespace rom

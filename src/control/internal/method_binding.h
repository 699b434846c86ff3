#pragma once

#include <span>
#include <type_traits>
#include <utility>

#include "control/method_table.h"
#include "control/velkor_ctrl.h"

// Builds MethodInfo entries from CVelkorCtrl member functions, so that the parameter and result
// types in the table are always those of the C++ signature. Parameters are `int32_t` or
// `const OptText&`; results are `int32_t` or `Text`.
namespace velkor::binding {

template <typename T> struct ParamTraits;
template <> struct ParamTraits<int32_t> {
    static constexpr ValueType kType = ValueType::Integer;
    static int32_t Get(const MethodArgument& argument) { return std::get<int32_t>(argument); }
};
template <> struct ParamTraits<const OptText&> {
    static constexpr ValueType kType = ValueType::Text;
    static const OptText& Get(const MethodArgument& argument)
    {
        return std::get<OptText>(argument);
    }
};

template <typename R> constexpr ValueType ResultTypeOf()
{
    static_assert(std::is_same_v<R, int32_t> || std::is_same_v<R, Text>,
        "scripting methods return int32_t or Text");
    return std::is_same_v<R, int32_t> ? ValueType::Integer : ValueType::Text;
}

template <typename Signature> struct MemberTraits;
template <typename R, typename... Args> struct MemberTraits<R (CVelkorCtrl::*)(Args...)> {
    using Result = R;
    static constexpr size_t kArity = sizeof...(Args);
    static std::vector<ValueType> Params() { return { ParamTraits<Args>::kType... }; }

    template <auto Method, size_t... I>
    static MethodResult Call(CVelkorCtrl& control,
        [[maybe_unused]] std::span<const MethodArgument> arguments, std::index_sequence<I...>)
    {
        return MethodResult { (control.*Method)(ParamTraits<Args>::Get(arguments[I])...) };
    }
};

template <auto Method> MethodInfo Bind(int32_t dispatchId, std::string_view name)
{
    using Traits = MemberTraits<decltype(Method)>;
    return MethodInfo {
        dispatchId,
        name,
        Traits::Params(),
        ResultTypeOf<typename Traits::Result>(),
        [](CVelkorCtrl& control, std::span<const MethodArgument> arguments) {
            return Traits::template Call<Method>(
                control, arguments, std::make_index_sequence<Traits::kArity>());
        },
    };
}

} // namespace velkor::binding

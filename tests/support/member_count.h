#pragma once
// The number of members of a record, counted by aggregate initialisation: a table or a JSON object
// that must hold every member compares its count with it, so a member added to a record without
// its table line is caught.

#include <cstddef>

namespace tem::testsupport {

/// Converts to any member.
struct AnyMember {
    template <class T> operator T&() const;
};

template <class R, class... A> constexpr std::size_t MemberCount()
{
    if constexpr (requires { R{A{}..., AnyMember{}}; })
        return MemberCount<R, A..., AnyMember>();
    else
        return sizeof...(A);
}

} // namespace tem::testsupport

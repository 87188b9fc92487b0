// The second base of every concrete value class, with T the class itself: it marks the
// classes whose objects `create` and `clone` make.
#pragma once

namespace ASN1 {
namespace detail {

// Holds and declares nothing, so a value's layout is that of its value base alone. The value
// pool's operator new and delete stay in AbstractData: one definition there gives back each
// value with its dynamic class's size, where one per class here would be inherited twice by
// the classes built on another concrete class (IntegerWithNamedNumber, IA5String ...).
template <class T>
class Allocator {
protected:
    Allocator() = default;
};

}  // namespace detail
}  // namespace ASN1

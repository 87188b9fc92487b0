// Intrusive list kept in order by T::compare(const T*) (negative: belongs
// before). Equal items keep their insertion order, first in, first out.
#pragma once

#include "runtime/F_dual_list.h"

template <class T>
class F_sorted_list : public F_dual_list<T> {
public:
    // Walks from the tail, since new items (timers) usually sort last: an item
    // that sorts after all others costs one comparison.
    void insert_to_tail_by_grown(T* item) {
        for (auto it = this->last(); it.good(); it = typename F_dual_list<T>::iterator((*it)->get_prev())) {
            if ((*it)->compare(item) <= 0) {
                this->insert_after(*it, item);
                return;
            }
        }
        this->insert_to_head(item);
    }
};

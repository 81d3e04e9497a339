#pragma once

#include <cstdint>
#include <mutex>

namespace kelvra {

// Circular doubly linked ring whose head doubles as a cursor: a successful Find leaves the
// found node at the head, which is how Lookup and RemoveHead reach it. Only Find, Add and
// RemoveHead touch the links; callers serialise them with Lock().
template <typename T>
class CTRing {
  public:
    struct Node {
        T data;
        Node* previous = nullptr;
        Node* next = nullptr;
    };

    CTRing() = default;
    CTRing(const CTRing&) = delete;
    CTRing& operator=(const CTRing&) = delete;

    // Frees the nodes only; whatever their entries point to is left alone.
    virtual ~CTRing() {
        while (RemoveHead()) {
        }
    }

    // Links a copy of `entry` in front of the old head and makes it the new head.
    virtual void Add(const T& entry) {
        Node* node = new Node{entry, nullptr, nullptr};
        if (head_ == nullptr) {
            node->previous = node;
            node->next = node;
            count_ = 1;
        } else {
            node->previous = head_->previous;
            node->next = head_;
            head_->previous->next = node;
            head_->previous = node;
            ++count_;
        }
        head_ = node;
    }

    // Moves the cursor to the node holding `key`; 1 when found, 0 when not (or empty).
    // The walk ends at the first node whose key equals the key of the node that was last when
    // the search began, so a duplicate of that key ends it early; callers rely on exactly this.
    template <typename Key, typename KeyOf>
    int Find(const Key& key, KeyOf keyOf) {
        if (head_ == nullptr) return 0;
        const Key tailKey = keyOf(head_->previous->data);
        for (;;) {
            if (keyOf(head_->data) == key) return 1;
            if (keyOf(head_->data) == tailKey) return 0;
            head_ = head_->next;
        }
    }

    // Whether any node holds `key`; unlike Find it leaves the cursor where it is.
    template <typename Key, typename KeyOf>
    bool Contains(const Key& key, KeyOf keyOf) const {
        const Node* node = head_;
        for (int32_t i = 0; i < count_; ++i, node = node->next) {
            if (keyOf(node->data) == key) return true;
        }
        return false;
    }

    // Unlinks and frees the head node; its successor becomes the head. 0 on an empty ring.
    int RemoveHead() {
        if (head_ == nullptr) return 0;
        Node* removed = head_;
        if (count_ == 1) {
            head_ = nullptr;
            count_ = 0;
        } else {
            removed->previous->next = removed->next;
            removed->next->previous = removed->previous;
            head_ = removed->next;
            --count_;
        }
        delete removed;
        return 1;
    }

    Node* Head() const { return head_; }
    int32_t Count() const { return count_; }
    std::recursive_mutex& Lock() { return lock_; }

  private:
    Node* head_ = nullptr;
    int32_t count_ = 0;
    std::recursive_mutex lock_;
};

}  // namespace kelvra

// FCXList: a circular, doubly linked list of element pointers whose nodes
// may own their elements.
#pragma once
#include "foundation/FCString.h"
#include <cstdint>
#include <new>
#include <windows.h>

template <class T>
class FCXListNode {
public:
    FCXListNode(T* element, int owns) : prev(this), next(this), ownsData(owns), data(element) {}
    virtual ~FCXListNode() {
        if (ownsData != 0) {
            ownsData = 0;
            delete data;
            data = nullptr;
        }
    }
    FCXListNode(const FCXListNode&) = delete;
    FCXListNode& operator=(const FCXListNode&) = delete;

    FCXListNode* prev;
    FCXListNode* next;
    int ownsData;
    T* data;
};

// Element equality used by the searches; specialised per element type.
template <class T>
bool FCXListEqual(const T& a, const T& b);

template <>
inline bool FCXListEqual<FCString>(const FCString& a, const FCString& b) {
    return a.equals(b);
}

template <class T>
class FCXList {
public:
    typedef FCXListNode<T> Node;
    typedef int (*Predicate)(T* element);

    static Node* notFound() { return reinterpret_cast<Node*>(~static_cast<uintptr_t>(0)); }

    FCXList() : nodeCount(0), last(nullptr) {}
    virtual ~FCXList() { deleteAll(); }
    FCXList(const FCXList&) = delete;
    FCXList& operator=(const FCXList&) = delete;

    virtual int forEach(Predicate predicate) {
        Node* node = first();
        for (int i = 0; i < nodeCount; ++i, node = node->next)
            if (predicate(node->data) == 0) return 0;
        return 1;
    }
    virtual void clear() { deleteAll(); }
    virtual void deleteAll() {
        Node* node = first();
        int count = nodeCount;
        for (int i = 0; i < count; ++i) {
            Node* following = node->next;
            delete node;
            node = following;
        }
        last = nullptr;
        nodeCount = 0;
    }
    virtual int addHead(T* element, int owns) { return link(element, owns, false); }
    virtual int addTail(T* element, int owns) { return link(element, owns, true); }
    virtual int add(T* element, int owns) { return addTail(element, owns); }
    virtual void remove(T* key, int destroy) { unlinkNode(findChecked(key), destroy); }
    virtual Node* find(T* key) {
        Node* node = first();
        for (int i = 0; i < nodeCount; ++i, node = node->next)
            if (node->data != nullptr && FCXListEqual<T>(*node->data, *key)) return node;
        return notFound();
    }
    virtual Node* findChecked(T* key) { return key == nullptr ? notFound() : find(key); }
    virtual int containsNode(Node* candidate) {
        Node* node = first();
        for (int i = 0; i < nodeCount; ++i, node = node->next)
            if (node == candidate) return 1;
        return 0;
    }
    virtual int contains(T* key) { return isValidPosition(find(key)); }
    virtual int containsChecked(T* key) { return isValidPosition(findChecked(key)); }
    virtual int isValidPosition(Node* node) { return (node != nullptr && node != notFound()) ? 1 : 0; }

    void unlinkNode(Node* node, int destroy) {
        if (isValidPosition(node) == 0 || nodeCount == 0) return;
        if (nodeCount == 1) {
            if (destroy != 0) delete node;
            nodeCount = 0;
            last = nullptr;
            return;
        }
        if (node == last) last = node->prev;
        node->prev->next = node->next;
        node->next->prev = node->prev;
        node->prev = node->next = node;
        if (destroy != 0) delete node;
        --nodeCount;
    }

    Node* first() const { return last != nullptr ? last->next : nullptr; }

    int nodeCount;
    Node* last;

private:
    int link(T* element, int owns, bool atTail) {
        Node* node = new (std::nothrow) Node(element, owns);
        if (isValidPosition(node) == 0) return 0;
        if (last == nullptr) {
            last = node;
            nodeCount = 1;
            return 1;
        }
        node->prev = last;
        node->next = last->next;
        last->next->prev = node;
        last->next = node;
        ++nodeCount;
        if (atTail) last = node;
        return 1;
    }
};

template <class T>
class FCXListIterator {
public:
    explicit FCXListIterator(FCXList<T>& list) : list_(list), current_(nullptr) {}
    virtual ~FCXListIterator() {}

    T* next() {
        if (current_ == nullptr) {
            current_ = list_.first();
            return current_ != nullptr ? current_->data : nullptr;
        }
        if (current_ == list_.last) return nullptr;
        current_ = current_->next;
        return current_->data;
    }

private:
    FCXList<T>& list_;
    FCXListNode<T>* current_;
};

// A string with a numeric identifier; list searches compare the ids only.
class FCIdString : public FCString {
public:
    FCIdString() : id(0) {}
    FCIdString(int identifier, const char* text) : FCString(text), id(identifier) {}
    int id;
};

template <>
inline bool FCXListEqual<FCIdString>(const FCIdString& a, const FCIdString& b) {
    return a.id == b.id;
}

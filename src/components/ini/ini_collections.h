#pragma once
// Records and collections filled by the INI component's enumerations.
//
// Positions count from 0. A record added with a non-empty lookup key can also be
// reached (and removed) by that key, compared without regard to ASCII case; adding a
// second record with the same key throws std::invalid_argument and adds nothing.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace blenvar {

// One section name, exactly the text between the brackets. Usable as text.
struct Key {
    std::string KeyName;

    operator const std::string&() const { return KeyName; }
    operator std::string_view() const { return KeyName; }
    friend bool operator==(const Key& k, std::string_view text) { return k.KeyName == text; }
};

// One entry of a section: the text before the first "=" and everything after it.
struct INIValue {
    std::string ValName;
    std::string ValData;
};

namespace ini_detail {

inline bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// Ordered list of records; records live on the heap so references handed out by Add
// and Item stay valid while other records come and go.
template <class T>
class Collection {
    struct Slot {
        std::string lookupKey;
        std::unique_ptr<T> record;
    };

  public:
    template <bool Const>
    class Iter {
        using Base = std::conditional_t<Const, typename std::vector<Slot>::const_iterator,
                                        typename std::vector<Slot>::iterator>;

      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const T*, T*>;
        using reference = std::conditional_t<Const, const T&, T&>;

        Iter() = default;
        explicit Iter(Base it) : it_(it) {}
        reference operator*() const { return *it_->record; }
        pointer operator->() const { return it_->record.get(); }
        Iter& operator++() {
            ++it_;
            return *this;
        }
        Iter operator++(int) {
            Iter old = *this;
            ++it_;
            return old;
        }
        bool operator==(const Iter& o) const { return it_ == o.it_; }

      private:
        Base it_{};
    };
    using iterator = Iter<false>;
    using const_iterator = Iter<true>;

    // Removes every record, last first.
    void Clear() {
        while (!slots_.empty()) slots_.pop_back();
    }

    std::int32_t Count() const { return static_cast<std::int32_t>(slots_.size()); }

    T& Item(std::int32_t index) { return *slots_[Checked(index)].record; }
    const T& Item(std::int32_t index) const { return *slots_[Checked(index)].record; }
    T& Item(std::string_view lookupKey) { return *slots_[Find(lookupKey)].record; }
    const T& Item(std::string_view lookupKey) const { return *slots_[Find(lookupKey)].record; }

    void Remove(std::int32_t index) {
        slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(Checked(index)));
    }
    void Remove(std::string_view lookupKey) {
        slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(Find(lookupKey)));
    }

    iterator begin() { return iterator(slots_.begin()); }
    iterator end() { return iterator(slots_.end()); }
    const_iterator begin() const { return const_iterator(slots_.cbegin()); }
    const_iterator end() const { return const_iterator(slots_.cend()); }

  protected:
    T& Append(T record, std::string_view lookupKey) {
        if (!lookupKey.empty()) {
            for (const Slot& s : slots_) {
                if (SameKey(s.lookupKey, lookupKey)) {
                    throw std::invalid_argument(std::string(kName) + ": lookup key \"" +
                                                std::string(lookupKey) + "\" is already in use");
                }
            }
        }
        slots_.push_back(Slot{std::string(lookupKey), std::make_unique<T>(std::move(record))});
        return *slots_.back().record;
    }

  private:
    static constexpr const char* kName = std::is_same_v<T, Key> ? "Keys" : "INIValues";

    std::size_t Checked(std::int32_t index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= slots_.size()) {
            throw std::out_of_range(std::string(kName) + ": position " + std::to_string(index) +
                                    " is out of range (count " + std::to_string(slots_.size()) +
                                    ")");
        }
        return static_cast<std::size_t>(index);
    }

    std::size_t Find(std::string_view lookupKey) const {
        if (!lookupKey.empty()) {
            for (std::size_t i = 0; i < slots_.size(); ++i) {
                if (SameKey(slots_[i].lookupKey, lookupKey)) return i;
            }
        }
        throw std::out_of_range(std::string(kName) + ": no record with lookup key \"" +
                                std::string(lookupKey) + "\"");
    }

    std::vector<Slot> slots_;
};

}  // namespace ini_detail

class Keys : public ini_detail::Collection<Key> {
  public:
    Key& Add(std::string keyName, std::string_view sKey = {}) {
        return Append(Key{std::move(keyName)}, sKey);
    }
};

class INIValues : public ini_detail::Collection<INIValue> {
  public:
    INIValue& Add(std::string valName, std::string valData, std::string_view sKey = {}) {
        return Append(INIValue{std::move(valName), std::move(valData)}, sKey);
    }
};

}  // namespace blenvar

#include "profile_format.h"

bool CurrentFormatReader::Field(size_t& position, ProfileFieldBytes& field) const
{
    // Written as subtractions so no sum can wrap, whatever the length.
    if (position >= length_) return false;
    const size_t size = buffer_[position];
    if (size > length_ - position - 1) return false;
    field.bytes = buffer_ + position + 1;
    field.length = size;
    position += 1 + size;
    return true;
}

bool CurrentFormatReader::Next(ProfileBytes& profile)
{
    if (!buffer_) return false;
    size_t position = position_;
    ProfileBytes read;
    if (!Field(position, read.c_name) || !Field(position, read.u_name) || !Field(position, read.password)) {
        position_ = length_;  // damaged: nothing after it is read
        return false;
    }
    position_ = position;
    profile = read;
    return true;
}

bool TaggedFormatReader::Find(uint8_t tag, ProfileFieldBytes& field)
{
    for (;;) {
        if (position_ >= length_) return false;  // only zeros from here, and zero is no tag
        const uint8_t found = At(position_);
        size_t limit = 0;
        switch (found) {
        case kTagCName: limit = kTaggedCNameMax; break;
        case kTagUName: limit = kTaggedUNameMax; break;
        case kTagPassword: limit = kTaggedPasswordMax; break;
        default: return false;
        }
        const size_t size = size_t(At(position_ + 1)) << 8 | At(position_ + 2);
        if (size > limit) return false;
        const size_t text = position_ + 3;
        position_ = text + size;  // at most length_ + 47: no wrap
        if (found != tag) continue;
        field.bytes = buffer_ + (text < length_ ? text : length_);
        field.length = text >= length_ ? 0 : (size < length_ - text ? size : length_ - text);
        return true;
    }
}

bool TaggedFormatReader::Next(ProfileBytes& profile)
{
    if (!buffer_) return false;
    ProfileBytes read;
    if (!Find(kTagCName, read.c_name) || !Find(kTagUName, read.u_name) || !Find(kTagPassword, read.password)) {
        position_ = length_;
        return false;
    }
    profile = read;
    return true;
}

namespace profile_rules {

bool AsciiPolicy::ToText(const uint8_t* bytes, size_t length, char* out, size_t capacity)
{
    if (capacity == 0) return false;
    out[0] = 0;
    if (length >= capacity) return false;
    const void* zero = length ? std::memchr(bytes, 0, length) : nullptr;
    const size_t text = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes) : length;
    if (text) std::memcpy(out, bytes, text);
    out[text] = 0;
    return true;
}

size_t AsciiPolicy::ToAnsi(const char* text, size_t chars, uint8_t* out, size_t capacity)
{
    if (chars > capacity) return kNoFit;
    if (chars) std::memcpy(out, text, chars);
    return chars;
}

}  // namespace profile_rules

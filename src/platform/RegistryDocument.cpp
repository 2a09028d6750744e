#include "platform/RegistryDocument.h"

#include <cstdint>
#include <utility>

#include "platform/RegistrySyntax.h"
#include "platform/Text.h"

namespace inkvista {
namespace {

using namespace regsyntax;

std::u16string Fold(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = FoldCase(c);
    return out;
}

// "\A\\B\" -> "A\B".
std::u16string NormaliseKey(std::u16string_view key) {
    std::u16string out;
    size_t i = 0;
    while (i < key.size()) {
        while (i < key.size() && key[i] == u'\\') ++i;
        size_t j = i;
        while (j < key.size() && key[j] != u'\\') ++j;
        if (j > i) {
            if (!out.empty()) out.push_back(u'\\');
            out.append(key.substr(i, j - i));
        }
        i = j;
    }
    return out;
}

}  // namespace

// --- Parsing ------------------------------------------------------------------

// One pass over the lines of a document's source, checking each and filling
// its items and keys. Values are not decoded here: only the keys the
// program asks for ever are (RegistryDocument::Read).
class RegistryParser {
  public:
    RegistryParser(RegistryDocument& doc, std::string* problem)
        : doc_(doc), text_(doc.source_), problem_(problem) {}

    bool Run() {
        std::string_view line;
        size_t begin = 0, end = 0;
        if (!NextLine(&line, &begin, &end) || Trim(line) != kHeader) {
            *problem_ = "not a registry file: it does not start with the line \"";
            *problem_ += kHeader;
            *problem_ += '"';
            return false;
        }
        while (NextLine(&line, &begin, &end)) {
            firstLine_ = lineNumber_;
            const std::string_view t = Trim(line);
            if (t.empty()) {
                Add(key_ ? Kind::KeyBlank : Kind::Text, begin, end);
            } else if (t[0] == ';') {
                Add(Kind::Text, begin, end);
            } else if (t[0] == '[') {
                if (!OnKeyLine(t, begin, end)) return false;
            } else if (t[0] == '"' || t[0] == '@') {
                if (!OnValueLine(t, begin, end)) return false;
            } else {
                return Fail("neither a key, a value nor a comment");
            }
        }
        return true;
    }

  private:
    using Kind = RegistryDocument::ItemKind;

    bool NextLine(std::string_view* line, size_t* begin, size_t* end) {
        if (pos_ >= text_.size()) return false;
        const size_t lf = text_.find('\n', pos_);
        *begin = pos_;
        *end = lf == std::string_view::npos ? text_.size() : lf;
        *line = text_.substr(*begin, *end - *begin);
        pos_ = *end + 1;
        ++lineNumber_;
        return true;
    }

    bool Fail(const char* what) {
        *problem_ = "not a registry file: line " + std::to_string(firstLine_) + ": " + what;
        return false;
    }

    void Add(Kind kind, size_t begin, size_t end) {
        std::vector<RegistryDocument::Item>& items = doc_.items_;
        const uint32_t key = kind == Kind::Text ? 0 : key_->path;
        // Kept and blank lines in a row are one item.
        if ((kind == Kind::Text || kind == Kind::KeyBlank) && !items.empty() &&
            items.back().kind == kind && items.back().key == key && items.back().end + 1 == begin) {
            items.back().end = static_cast<uint32_t>(end);
            return;
        }
        items.push_back({static_cast<uint32_t>(begin), static_cast<uint32_t>(end), key, kind});
    }

    bool OnKeyLine(std::string_view t, size_t begin, size_t end) {
        if (t.back() != ']' || t.size() < 2) return Fail("a key line without its closing ']'");
        const std::string_view inner = t.substr(1, t.size() - 2);
        const size_t sep = inner.find('\\');
        if (!EqualsAsciiNoCase(inner.substr(0, sep), kRoot)) {
            // Other roots and "[-…]" deletions are kept, not used.
            key_ = nullptr;
            other_ = true;
            Add(Kind::Text, begin, end);
            return true;
        }
        std::u16string path;
        if (sep != std::string_view::npos && !ReadText(inner.substr(sep), &path)) {
            return Fail("a key name that is not UTF-8");
        }
        const std::u16string name = NormaliseKey(path);
        auto [it, inserted] = doc_.keys_.try_emplace(Fold(name));
        if (inserted) {
            it->second.name = name;
            it->second.path = static_cast<uint32_t>(doc_.keyPaths_.size());
            it->second.read = false;
            it->second.first = static_cast<uint32_t>(doc_.items_.size());
            doc_.keyPaths_.push_back(it->first);
        }
        key_ = &it->second;
        other_ = false;
        Add(Kind::KeyHeader, begin, end);
        return true;
    }

    bool OnValueLine(std::string_view t, size_t begin, size_t end) {
        if (!key_ && !other_) return Fail("a value outside any key");
        if (IsPlainNumberLine(t)) {
            Add(other_ ? Kind::Text : Kind::Value, begin, end);
            return true;
        }
        regsyntax::ValueLine parts;
        if (const char* problem = SplitValueLine(t, &parts)) return Fail(problem);
        const size_t valueStart = static_cast<size_t>(parts.value.data() - text_.data());
        if (GoesOn(parts.value)) {
            std::string_view next;
            size_t nextBegin = 0;
            do {
                if (!NextLine(&next, &nextBegin, &end)) {
                    return Fail("a value that goes on past the end");
                }
                next = Trim(next);
            } while (!next.empty() && next.back() == '\\');
        }
        if (other_) {
            Add(Kind::Text, begin, end);
            return true;
        }
        if (!ReadName(parts.name, nullptr)) return Fail("a value name that is not UTF-8");
        if (parts.value == "-") {
            Add(Kind::KeyDelete, begin, end);
        } else if (ReadValue(text_.substr(valueStart, end - valueStart), nullptr)) {
            Add(Kind::Value, begin, end);
        } else {
            return Fail("a value that cannot be read");
        }
        return true;
    }

    RegistryDocument& doc_;
    std::string_view text_;
    std::string* problem_;
    size_t pos_ = 0;
    int lineNumber_ = 0;
    int firstLine_ = 0;
    RegistryDocument::Key* key_ = nullptr;  // ours, being read
    bool other_ = false;                    // in another root's key
};

void RegistryDocument::Clear() {
    source_.clear();
    items_.clear();
    keyPaths_.clear();
    keys_.clear();
}

bool RegistryDocument::Parse(std::string bytes, std::string* problem) {
    Clear();
    if (bytes.empty()) return true;  // nothing to lose: an empty registry
    if (!ToText(bytes, problem)) return false;
    if (bytes.size() >= UINT32_MAX) {  // positions in it are 32 bits
        *problem = "larger than 4 GiB";
        return false;
    }
    source_ = std::move(bytes);
    items_.reserve(source_.size() / 32);  // most files' lines are longer
    if (!RegistryParser(*this, problem).Run()) {
        Clear();
        return false;
    }
    return true;
}

// --- Writing ------------------------------------------------------------------

void RegistryDocument::AppendSource(std::string& out, const Item& item) const {
    out.append(source_, item.begin, item.end - item.begin);
    out += '\n';
}

void RegistryDocument::AppendNewValues(std::string& out, const Key& key) const {
    for (const auto& [folded, value] : key.values) {
        if (value.item == kNotRead) AppendValueLine(out, value.name, value.value);
    }
}

std::string RegistryDocument::Serialize() const {
    std::string out;
    out.reserve(source_.size() + 1024);
    out += kHeader;
    out += '\n';
    // The keys of the lines read, where they still exist, and their values
    // by the line they came from.
    std::vector<const Key*> keyOf(keyPaths_.size(), nullptr);
    std::vector<const Value*> valueAt(items_.size(), nullptr);
    for (uint32_t path = 0; path < keyPaths_.size(); ++path) {
        const auto k = keys_.find(keyPaths_[path]);
        if (k == keys_.end() || k->second.path != path) continue;
        keyOf[path] = &k->second;
        for (const auto& entry : k->second.values) {
            if (entry.second.item != kNotRead) valueAt[entry.second.item] = &entry.second;
        }
    }
    // Values the file did not have go after the last line of their key.
    std::vector<size_t> lastOf(keyPaths_.size(), kNotRead);
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].kind != ItemKind::Text && items_[i].kind != ItemKind::KeyBlank) {
            lastOf[items_[i].key] = i;
        }
    }

    for (size_t i = 0; i < items_.size(); ++i) {
        const Item& item = items_[i];
        if (item.kind == ItemKind::Text) {
            AppendSource(out, item);
            continue;
        }
        const Key* key = keyOf[item.key];
        if (!key) continue;  // deleted with its lines
        if (item.kind != ItemKind::Value || !key->read) {
            AppendSource(out, item);
        } else if (const Value* v = valueAt[i]; v && v->changed) {
            AppendValueLine(out, v->name, v->value);
        } else if (v) {
            AppendSource(out, item);
        }
        if (lastOf[item.key] == i) AppendNewValues(out, *key);
    }
    // Keys the file did not have, each followed by a blank line.
    for (const auto& [folded, key] : keys_) {
        if (key.path != kNoPath && lastOf[key.path] != kNotRead) continue;
        if (out.size() < 2 || out.compare(out.size() - 2, 2, "\n\n") != 0) out += '\n';
        AppendKeyLine(out, key.name);
        AppendNewValues(out, key);
        out += '\n';
    }
    return out;
}

// --- Keys and values ------------------------------------------------------------

RegistryDocument::Key& RegistryDocument::Read(Key& key) const {
    if (key.read) return key;
    key.read = true;
    // Every line was checked when the file was read. Only the keys used
    // are decoded, so their lines are looked for only then.
    for (size_t index = key.first; index < items_.size(); ++index) {
        const Item& item = items_[index];
        if (item.key != key.path ||
            (item.kind != ItemKind::Value && item.kind != ItemKind::KeyDelete)) {
            continue;
        }
        const std::string_view text(source_.data() + item.begin, item.end - item.begin);
        regsyntax::ValueLine parts;
        SplitValueLine(Trim(text.substr(0, text.find('\n'))), &parts);
        std::u16string name;
        ReadName(parts.name, &name);
        std::u16string folded = Fold(name);
        if (item.kind == ItemKind::KeyDelete) {
            key.values.erase(folded);
            continue;
        }
        Value& v = key.values[std::move(folded)];
        ReadValue(text.substr(static_cast<size_t>(parts.value.data() - text.data())), &v.value);
        v.name = std::move(name);
        v.item = index;
        v.changed = false;
    }
    return key;
}

RegistryDocument::Key* RegistryDocument::Find(std::u16string_view key) const {
    const auto k = keys_.find(Fold(NormaliseKey(key)));
    return k == keys_.end() ? nullptr : &Read(k->second);
}

bool RegistryDocument::KeyExists(std::u16string_view key) const {
    const std::u16string name = NormaliseKey(key);
    return name.empty() || keys_.count(Fold(name)) != 0;
}

bool RegistryDocument::CreateKey(std::u16string_view key, bool* created) {
    if (created) *created = false;
    const std::u16string name = NormaliseKey(key);
    if (name.find_first_of(std::u16string_view(u"\n\r\0", 3)) != std::u16string::npos) return false;
    if (name.empty() || keys_.count(Fold(name))) return true;
    // The key and every missing parent, each spelt after the parents that
    // already exist.
    std::u16string spelt;
    size_t pos = 0;
    for (;;) {
        const size_t sep = name.find(u'\\', pos);
        const std::u16string part = name.substr(0, sep);
        const std::u16string leaf = name.substr(pos, sep == std::u16string::npos ? sep : sep - pos);
        auto [it, inserted] = keys_.try_emplace(Fold(part));
        if (inserted) it->second.name = spelt.empty() ? leaf : spelt + u"\\" + leaf;
        spelt = it->second.name;
        if (sep == std::u16string::npos) break;
        pos = sep + 1;
    }
    if (created) *created = true;
    return true;
}

bool RegistryDocument::DeleteKey(std::u16string_view key) {
    const std::u16string name = NormaliseKey(key);
    if (name.empty()) return false;
    const std::u16string folded = Fold(name);
    if (!keys_.count(folded)) return false;
    const std::u16string prefix = folded + u"\\";
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (it->first == folded || it->first.compare(0, prefix.size(), prefix) == 0) {
            it = keys_.erase(it);
        } else {
            ++it;
        }
    }
    return true;
}

const RegistryValue* RegistryDocument::GetValue(std::u16string_view key,
                                                std::u16string_view name) const {
    const Key* k = Find(key);
    if (!k) return nullptr;
    const auto v = k->values.find(Fold(name));
    return v == k->values.end() ? nullptr : &v->second.value;
}

bool RegistryDocument::SetValue(std::u16string_view key, std::u16string_view name,
                                const RegistryValue& value) {
    Key* k = Find(key);
    if (!k) {
        if (!NormaliseKey(key).empty()) return false;
        k = &keys_.try_emplace(std::u16string()).first->second;  // the root always exists
    }
    auto [v, inserted] = k->values.try_emplace(Fold(name));
    if (inserted) v->second.name = std::u16string(name);
    if (inserted || v->second.value != value) {
        v->second.value = value;
        v->second.changed = true;
    }
    return true;
}

bool RegistryDocument::DeleteValue(std::u16string_view key, std::u16string_view name) {
    Key* k = Find(key);
    return k && k->values.erase(Fold(name)) != 0;
}

bool RegistryDocument::SameContent(const RegistryDocument& other) const {
    if (keys_.size() != other.keys_.size()) return false;
    for (auto a = keys_.begin(), b = other.keys_.begin(); a != keys_.end(); ++a, ++b) {
        const Key& x = Read(a->second);
        const Key& y = other.Read(b->second);
        if (a->first != b->first || x.name != y.name || x.values.size() != y.values.size()) {
            return false;
        }
        for (auto i = x.values.begin(), j = y.values.begin(); i != x.values.end(); ++i, ++j) {
            if (i->first != j->first || i->second.name != j->second.name ||
                i->second.value != j->second.value) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace inkvista

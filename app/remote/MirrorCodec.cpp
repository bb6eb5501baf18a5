#include "app/remote/MirrorCodec.h"

#include "app/data/GroupArray.h"
#include "app/remote/OscCodec.h"
#include "app/remote/OscMessage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <lo/lo.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>

namespace mirror {
namespace {

using osc::MessagePtr;
using osc::Serialise;

constexpr std::string_view kBundleTag{"#bundle\0", 8};
constexpr std::size_t kBundleHeader = 16; // tag and time tag
constexpr std::uint32_t kFnvOffset32 = 2166136261u;
constexpr std::uint32_t kFnvPrime32 = 16777619u;
constexpr std::uint64_t kFnvOffset64 = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime64 = 1099511628211ull;
constexpr char kBeat[] = "/padora/mirror/beat";
constexpr char kAct[] = "/padora/mirror/act";
constexpr char kWhich[] = "/padora/mirror/which";
constexpr char kChannelsPath[] = "/padora/mirror/channels";

void Mix(std::uint32_t& h, const QByteArray& bytes) {
    for (char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * kFnvPrime32;
    h = (h ^ 0xffu) * kFnvPrime32; // a separator no UTF-8 text holds
}

std::uint32_t BigEndian32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

void PutBigEndian32(QByteArray& out, std::uint32_t v) {
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
    out.append(b, 4);
}

QByteArray Header(const char* path, SetId set, std::int32_t epoch, std::int32_t seq) {
    MessagePtr m(lo_message_new());
    lo_message_add_int64(m.get(), static_cast<std::int64_t>(set));
    lo_message_add_int32(m.get(), epoch);
    lo_message_add_int32(m.get(), seq);
    return Serialise(m.get(), path);
}

// A link message read into packet; false when it is not one or its arguments do not fit.
bool ReadLinkMessage(const char* data, std::size_t size, Packet& packet) {
    // liblo reads in place and byte-swaps: work on a copy.
    std::vector<char> copy(data, data + size);
    int result = 0;
    MessagePtr m(lo_message_deserialise(copy.data(), copy.size(), &result));
    if (!m || result != 0)
        return false;
    const std::string_view path(copy.data(), strnlen(copy.data(), copy.size()));
    const int argc = lo_message_get_argc(m.get());
    const std::string_view types(lo_message_get_types(m.get()));
    lo_arg** argv = lo_message_get_argv(m.get());
    if (path == kBeat || path == kAct) {
        if (types != "hii")
            return false;
        packet.kind = path == kBeat ? Packet::Kind::Beat : Packet::Kind::Act;
        packet.set = static_cast<SetId>(argv[0]->h);
        packet.nEpoch = argv[1]->i;
        packet.nSeq = argv[2]->i;
        return true;
    }
    if (path == kWhich) {
        packet.kind = Packet::Kind::Which;
        return argc == 0;
    }
    if (path == kChannelsPath) {
        if (types != "ib")
            return false;
        const int groups = argv[0]->i;
        const auto blobSize = static_cast<std::size_t>(lo_blob_datasize(reinterpret_cast<lo_blob>(argv[1])));
        const char* blob = static_cast<const char*>(lo_blob_dataptr(reinterpret_cast<lo_blob>(argv[1])));
        if (groups < 0 || groups > kMaxGroups || blobSize != static_cast<std::size_t>(groups) * kChannels * 4)
            return false;
        packet.kind = Packet::Kind::Channels;
        packet.hashes.resize(static_cast<std::size_t>(groups) * kChannels);
        for (std::size_t i = 0; i < packet.hashes.size(); ++i)
            packet.hashes[i] = BigEndian32(blob + 4 * i);
        return true;
    }
    return false;
}

} // namespace

std::vector<std::uint32_t> ChannelHashes(const CGroupArray& set) {
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(set.GetSize()) * kChannels);
    for (int g = 0; g < set.GetSize(); ++g) {
        const CGroupData& group = set[g];
        const QByteArray name = group.m_strName.toUtf8();
        for (int i = 0; i < kChannels; ++i) {
            const CChannelData& ch = group.m_aChannel[i];
            std::uint32_t h = kFnvOffset32;
            Mix(h, name);
            Mix(h, QFileInfo(ch.m_strFile).fileName().toUtf8());
            Mix(h, ch.m_strTitle.toUtf8());
            Mix(h, QByteArray::number(ch.m_nOutPair));
            Mix(h, QByteArray::number(ch.m_bLoudness ? 1 : 0));
            out.push_back(h);
        }
    }
    return out;
}

SetId Identity(const std::vector<std::uint32_t>& hashes) {
    SetId h = kFnvOffset64;
    auto mix = [&h](std::uint32_t v) {
        for (int b = 0; b < 4; ++b)
            h = (h ^ ((v >> (8 * b)) & 0xffu)) * kFnvPrime64;
    };
    mix(static_cast<std::uint32_t>(hashes.size()));
    for (std::uint32_t v : hashes)
        mix(v);
    return h;
}

std::vector<ChannelRef> DifferingChannels(const std::vector<std::uint32_t>& mine,
                                          const std::vector<std::uint32_t>& theirs) {
    std::vector<ChannelRef> out;
    const std::size_t n = std::max(mine.size(), theirs.size());
    for (std::size_t k = 0; k < n; ++k) {
        if (k < mine.size() && k < theirs.size() && mine[k] == theirs[k])
            continue;
        out.push_back({static_cast<int>(k / kChannels), static_cast<int>(k % kChannels)});
    }
    return out;
}

QString DescribeChannels(const std::vector<ChannelRef>& channels, std::size_t limit) {
    QStringList parts;
    for (std::size_t k = 0; k < channels.size() && k < limit; ++k)
        parts << QCoreApplication::translate("mirror", "グループ %1 のチャンネル %2")
                     .arg(channels[k].nGroup + 1)
                     .arg(channels[k].nChannel + 1);
    QString text = parts.join(QStringLiteral(", "));
    if (channels.size() > limit)
        text += QCoreApplication::translate("mirror", " ほか %1 か所").arg(channels.size() - limit);
    return text;
}

Packet Parse(const void* data, std::size_t size) {
    Packet packet;
    if (!data || size == 0 || size % 4 != 0)
        return packet;
    const auto* bytes = static_cast<const char*>(data);
    if (size < kBundleHeader || std::string_view(bytes, kBundleTag.size()) != kBundleTag) {
        if (!ReadLinkMessage(bytes, size, packet) || packet.kind == Packet::Kind::Act)
            return Packet{}; // an action comes only in its bundle
        return packet;
    }
    // An action: its header first, then the action's own messages (no nested bundles).
    std::size_t pos = kBundleHeader;
    bool first = true;
    while (pos + 4 <= size) {
        const std::size_t len = BigEndian32(bytes + pos);
        pos += 4;
        if (len > size - pos || len % 4 != 0 || len == 0)
            return Packet{};
        if (first) {
            if (!ReadLinkMessage(bytes + pos, len, packet) || packet.kind != Packet::Kind::Act)
                return Packet{};
            first = false;
        } else {
            int ignored = 0;
            std::vector<RemoteCommand> commands = osc::ParsePacket(bytes + pos, len, &ignored);
            if (ignored > 0 || std::string_view(bytes + pos, std::min<std::size_t>(len, 8)) == kBundleTag)
                return Packet{};
            for (const RemoteCommand& c : commands)
                if (c.kind != RemoteCommand::Kind::State)
                    packet.commands.push_back(c);
        }
        pos += len;
    }
    if (first || pos != size || packet.commands.empty())
        return Packet{};
    return packet;
}

QByteArray BeatBytes(SetId set, std::int32_t epoch, std::int32_t seq) {
    return Header(kBeat, set, epoch, seq);
}

QByteArray ActBytes(SetId set, std::int32_t epoch, std::int32_t seq, const RemoteCommand& command) {
    const QByteArray action = osc::CommandBytes(command);
    if (action.isEmpty())
        return QByteArray();
    const QByteArray header = Header(kAct, set, epoch, seq);
    QByteArray out(kBundleTag.data(), static_cast<qsizetype>(kBundleTag.size()));
    PutBigEndian32(out, 0);
    PutBigEndian32(out, 1); // "immediately"
    PutBigEndian32(out, static_cast<std::uint32_t>(header.size()));
    out += header;
    PutBigEndian32(out, static_cast<std::uint32_t>(action.size()));
    out += action;
    return out;
}

QByteArray WhichBytes() {
    MessagePtr m(lo_message_new());
    return Serialise(m.get(), kWhich);
}

QByteArray ChannelsBytes(const std::vector<std::uint32_t>& hashes) {
    const std::size_t groups = std::min<std::size_t>(hashes.size() / kChannels, kMaxGroups);
    QByteArray blob;
    for (std::size_t k = 0; k < groups * kChannels; ++k)
        PutBigEndian32(blob, hashes[k]);
    MessagePtr m(lo_message_new());
    lo_message_add_int32(m.get(), static_cast<std::int32_t>(groups));
    lo_blob b = lo_blob_new(static_cast<std::int32_t>(blob.size()), blob.constData());
    lo_message_add_blob(m.get(), b);
    QByteArray out = Serialise(m.get(), kChannelsPath);
    lo_blob_free(b);
    return out;
}

bool Resolve(const QString& host, int port, OscPeer* out, QString* error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const QByteArray name = host.toUtf8();
    const QByteArray service = QByteArray::number(port);
    const int r = ::getaddrinfo(name.constData(), service.constData(), &hints, &found);
    if (r != 0 || !found) {
        if (error)
            *error = QCoreApplication::translate("mirror", "%1 が見つかりません (%2)")
                         .arg(host, QString::fromLocal8Bit(::gai_strerror(r)));
        return false;
    }
    *out = OscPeer{};
    std::memcpy(&out->addr, found->ai_addr, found->ai_addrlen);
    out->len = found->ai_addrlen;
    ::freeaddrinfo(found);
    return true;
}

bool SameHost(const OscPeer& a, const OscPeer& b) {
    if (a.addr.ss_family != AF_INET || b.addr.ss_family != AF_INET)
        return false;
    return reinterpret_cast<const sockaddr_in*>(&a.addr)->sin_addr.s_addr ==
           reinterpret_cast<const sockaddr_in*>(&b.addr)->sin_addr.s_addr;
}

int PortOf(const OscPeer& peer) {
    return peer.addr.ss_family == AF_INET ? ntohs(reinterpret_cast<const sockaddr_in*>(&peer.addr)->sin_port)
                                          : 0;
}

QString Describe(const OscPeer& peer) {
    char text[INET6_ADDRSTRLEN] = {};
    if (peer.addr.ss_family == AF_INET)
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&peer.addr)->sin_addr, text, sizeof text);
    else if (peer.addr.ss_family == AF_INET6)
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&peer.addr)->sin6_addr, text,
                    sizeof text);
    return QStringLiteral("%1:%2").arg(QString::fromLatin1(text)).arg(PortOf(peer));
}

} // namespace mirror

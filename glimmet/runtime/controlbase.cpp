// Shared plumbing of control classes.
#include "controlbase.h"

#include <QThread>

namespace kestrum::runtime {

ControlBase::ControlBase(const ClassInfo &info, Module &module)
    : m_info(info), m_lock(module), m_thread(QThread::currentThread()) {}

ControlBase::~ControlBase() {
    delete m_widget.data();
}

Status ControlBase::setClientSite(ClientSite *site) {
    context().setSite(site);
    return StatusOk;
}

Status ControlBase::advise(EventSink *sink) {
    if (!sink)
        return StatusPointer;
    context().addSink(sink);
    return StatusOk;
}

Status ControlBase::unadvise(EventSink *sink) {
    context().removeSink(sink);
    return StatusOk;
}

Status ControlBase::getIdOfName(const QString &name, DispId *id) const {
    if (!id)
        return StatusPointer;
    const MemberInfo *member =
        m_info.defaultInterface ? m_info.defaultInterface->findMember(name) : nullptr;
    if (!member) {
        *id = DispIdUnknown;
        return StatusUnknownName;
    }
    *id = member->id;
    return StatusOk;
}

Status ControlBase::invoke(DispId id, InvokeKind kind, std::span<Variant> args, Variant *result) {
    const MemberInfo *member =
        m_info.defaultInterface ? m_info.defaultInterface->findMember(id) : nullptr;
    if (!member || (member->access & static_cast<std::uint16_t>(kind)) == 0)
        return StatusMemberNotFound;
    if (QThread::currentThread() != m_thread)
        return StatusWrongThread;
    if (m_widget.isNull())
        return StatusUnexpected;
    switch (kind) {
    case InvokeKind::PropertyGet: {
        if (!args.empty())
            return StatusBadParamCount;
        Variant value;
        const Status s = getMember(*member, &value);
        if (succeeded(s) && result)
            *result = std::move(value);
        return s;
    }
    case InvokeKind::PropertyPut:
    case InvokeKind::PropertyPutRef: {
        if (args.size() != 1)
            return StatusBadParamCount;
        Variant value;
        if (const Status s = args[0].convert(member->type, &value); failed(s))
            return s;
        return putMember(*member, kind, value);
    }
    case InvokeKind::Method:
        if (!args.empty())
            return StatusBadParamCount;
        return callMember(*member, result);
    }
    return StatusMemberNotFound;
}

} // namespace kestrum::runtime

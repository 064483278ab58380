#include "app/AssociationCheck.h"

#include "app/FileExtension.h"

AssociationResult checkAssociation(TRegExtension& registry, const QString& program) {
    const std::unique_ptr<TExtInfo> found = registry.GetExtInfo(kGameFileExtension);
    if (found && found->path == execLine(program, QStringLiteral("%f")))
        return AssociationResult::AlreadyRegistered;

    auto info = std::make_unique<TExtInfo>();
    info->description = kGameFileDescription;
    info->SetExtension(kGameFileExtension);
    info->SetPath(program);
    registry.Add(std::move(info));
    return registry.Register() ? AssociationResult::Registered : AssociationResult::RegisterFailed;
}

#pragma once
// The program's one saved setting, in the per-user settings store: "1" means "do not ask about
// the association at start-up".
namespace shell {

bool AssociationQuestionSilenced();
void SilenceAssociationQuestion();

}  // namespace shell

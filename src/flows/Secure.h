// What the mail flows share about secure connections: an account's connection settings for a client, the trust question, the texts of TLS and sign-in failures.
#pragma once

#include <memory>
#include <string>

#include "Accounts.h"
#include "Flow.h"
#include "MailEngine.h"
#include "Security.h"

// The account's POP3 connection: its port and security, the POP3 server
// name the certificate must carry (Edit1) and the trusted fingerprints.
TConnectionSecurity PopConnection(const TAccountRecord& A);
// The same for SMTP (SmtpPort, SmtpSecurity, Edit2).
TConnectionSecurity SmtpConnection(const TAccountRecord& A);

// Asks Events.OnTrustCertificate about Problem; false when it is unset.
bool AskToTrust(const TFlowEvents& Events, const TCertificateProblem& Problem);
// The same for a flow whose alive token is Life: a yes adds the fingerprint
// to Account, the flow's copy, for the further connections of its operation
// (the window stores it with the account). False when the flow ended inside
// the question; Account is not touched then.
bool AskToTrust(const TFlowEvents& Events, const TCertificateProblem& Problem,
                std::shared_ptr<TFlowLife> Life, TAccountRecord& Account);

// The text for a POP3 refusal in the secure steps: popCapa (the server does
// not offer STLS) and popStls (it refused it); empty for any other state.
std::string PopSecurityFailureText(TPopState State);

// The message box and status texts for an SMTP failure in the secure steps
// (STARTTLS missing or refused, no sign-in mechanism, sign-in refused);
// false for any other state.
bool SmtpSecurityFailureTexts(TSMTPState State, const std::string& RespStr, std::string& BoxText,
                              std::string& StatusText);

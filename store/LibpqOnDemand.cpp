// The PostgreSQL client library (libpq) is loaded when a catalogue on a server is first used,
// not when the program starts: with the libraries it needs in turn (TLS, Kerberos, LDAP) it
// made up a fifth of the processor time to the first record of a catalogue file. Each function
// of libpq-fe.h is defined here as one that loads the library once, then calls its own.
//
// The list is every function libpq-fe.h (libpq 15) declares; a declaration that differs from
// the header's fails to compile, so the two cannot drift apart unseen.

#include <dlfcn.h>
#include <libpq-fe.h>

#include <QString>

#include "StoreError.h"

namespace {

void* library() {
    static void* const handle = [] {
        void* h = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
        if (!h)
            throw store::StoreError(
                store::errNotSupported,
                store::Text::tr("The PostgreSQL client library (libpq.so.5, in Debian's package "
                                "libpq5) could not be loaded: %1.")
                    .arg(QString::fromLocal8Bit(dlerror())));
        return h;
    }();
    return handle;
}

template <typename F>
F resolved(const char* name) {
    void* f = dlsym(library(), name);
    if (!f)
        throw store::StoreError(store::errNotSupported,
                                store::Text::tr("The PostgreSQL client library has no function %1.")
                                    .arg(QLatin1String(name)));
    return reinterpret_cast<F>(f);
}

}  // namespace

#define ON_DEMAND(returns, name, parameters, arguments)            \
    extern "C" returns name parameters {                           \
        static const auto real = resolved<decltype(&name)>(#name); \
        return real arguments;                                     \
    }

ON_DEMAND(PGconn*, PQconnectStart, (const char* a0), (a0))
ON_DEMAND(PGconn*, PQconnectStartParams, (const char* const* a0, const char* const* a1, int a2),
          (a0, a1, a2))
ON_DEMAND(PostgresPollingStatusType, PQconnectPoll, (PGconn * a0), (a0))
ON_DEMAND(PGconn*, PQconnectdb, (const char* a0), (a0))
ON_DEMAND(PGconn*, PQconnectdbParams, (const char* const* a0, const char* const* a1, int a2),
          (a0, a1, a2))
ON_DEMAND(PGconn*, PQsetdbLogin,
          (const char* a0, const char* a1, const char* a2, const char* a3, const char* a4,
           const char* a5, const char* a6),
          (a0, a1, a2, a3, a4, a5, a6))
ON_DEMAND(void, PQfinish, (PGconn * a0), (a0))
ON_DEMAND(PQconninfoOption*, PQconndefaults, (), ())
ON_DEMAND(PQconninfoOption*, PQconninfoParse, (const char* a0, char** a1), (a0, a1))
ON_DEMAND(PQconninfoOption*, PQconninfo, (PGconn * a0), (a0))
ON_DEMAND(void, PQconninfoFree, (PQconninfoOption * a0), (a0))
ON_DEMAND(int, PQresetStart, (PGconn * a0), (a0))
ON_DEMAND(PostgresPollingStatusType, PQresetPoll, (PGconn * a0), (a0))
ON_DEMAND(void, PQreset, (PGconn * a0), (a0))
ON_DEMAND(PGcancel*, PQgetCancel, (PGconn * a0), (a0))
ON_DEMAND(void, PQfreeCancel, (PGcancel * a0), (a0))
ON_DEMAND(int, PQcancel, (PGcancel * a0, char* a1, int a2), (a0, a1, a2))
ON_DEMAND(int, PQrequestCancel, (PGconn * a0), (a0))
ON_DEMAND(char*, PQdb, (const PGconn* a0), (a0))
ON_DEMAND(char*, PQuser, (const PGconn* a0), (a0))
ON_DEMAND(char*, PQpass, (const PGconn* a0), (a0))
ON_DEMAND(char*, PQhost, (const PGconn* a0), (a0))
ON_DEMAND(char*, PQhostaddr, (const PGconn* a0), (a0))
ON_DEMAND(char*, PQport, (const PGconn* a0), (a0))
ON_DEMAND(char*, PQtty, (const PGconn* a0), (a0))
ON_DEMAND(char*, PQoptions, (const PGconn* a0), (a0))
ON_DEMAND(ConnStatusType, PQstatus, (const PGconn* a0), (a0))
ON_DEMAND(PGTransactionStatusType, PQtransactionStatus, (const PGconn* a0), (a0))
ON_DEMAND(const char*, PQparameterStatus, (const PGconn* a0, const char* a1), (a0, a1))
ON_DEMAND(int, PQprotocolVersion, (const PGconn* a0), (a0))
ON_DEMAND(int, PQserverVersion, (const PGconn* a0), (a0))
ON_DEMAND(char*, PQerrorMessage, (const PGconn* a0), (a0))
ON_DEMAND(int, PQsocket, (const PGconn* a0), (a0))
ON_DEMAND(int, PQbackendPID, (const PGconn* a0), (a0))
ON_DEMAND(PGpipelineStatus, PQpipelineStatus, (const PGconn* a0), (a0))
ON_DEMAND(int, PQconnectionNeedsPassword, (const PGconn* a0), (a0))
ON_DEMAND(int, PQconnectionUsedPassword, (const PGconn* a0), (a0))
ON_DEMAND(int, PQclientEncoding, (const PGconn* a0), (a0))
ON_DEMAND(int, PQsetClientEncoding, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(int, PQsslInUse, (PGconn * a0), (a0))
ON_DEMAND(void*, PQsslStruct, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(const char*, PQsslAttribute, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(const char* const*, PQsslAttributeNames, (PGconn * a0), (a0))
ON_DEMAND(void*, PQgetssl, (PGconn * a0), (a0))
ON_DEMAND(void, PQinitSSL, (int a0), (a0))
ON_DEMAND(void, PQinitOpenSSL, (int a0, int a1), (a0, a1))
ON_DEMAND(int, PQgssEncInUse, (PGconn * a0), (a0))
ON_DEMAND(void*, PQgetgssctx, (PGconn * a0), (a0))
ON_DEMAND(PGVerbosity, PQsetErrorVerbosity, (PGconn * a0, PGVerbosity a1), (a0, a1))
ON_DEMAND(PGContextVisibility, PQsetErrorContextVisibility, (PGconn * a0, PGContextVisibility a1),
          (a0, a1))
ON_DEMAND(PQnoticeReceiver, PQsetNoticeReceiver, (PGconn * a0, PQnoticeReceiver a1, void* a2),
          (a0, a1, a2))
ON_DEMAND(PQnoticeProcessor, PQsetNoticeProcessor, (PGconn * a0, PQnoticeProcessor a1, void* a2),
          (a0, a1, a2))
ON_DEMAND(pgthreadlock_t, PQregisterThreadLock, (pgthreadlock_t a0), (a0))
ON_DEMAND(void, PQtrace, (PGconn * a0, FILE* a1), (a0, a1))
ON_DEMAND(void, PQuntrace, (PGconn * a0), (a0))
ON_DEMAND(void, PQsetTraceFlags, (PGconn * a0, int a1), (a0, a1))
ON_DEMAND(PGresult*, PQexec, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(PGresult*, PQexecParams,
          (PGconn * a0, const char* a1, int a2, const Oid* a3, const char* const* a4, const int* a5,
           const int* a6, int a7),
          (a0, a1, a2, a3, a4, a5, a6, a7))
ON_DEMAND(PGresult*, PQprepare,
          (PGconn * a0, const char* a1, const char* a2, int a3, const Oid* a4),
          (a0, a1, a2, a3, a4))
ON_DEMAND(PGresult*, PQexecPrepared,
          (PGconn * a0, const char* a1, int a2, const char* const* a3, const int* a4, const int* a5,
           int a6),
          (a0, a1, a2, a3, a4, a5, a6))
ON_DEMAND(int, PQsendQuery, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(int, PQsendQueryParams,
          (PGconn * a0, const char* a1, int a2, const Oid* a3, const char* const* a4, const int* a5,
           const int* a6, int a7),
          (a0, a1, a2, a3, a4, a5, a6, a7))
ON_DEMAND(int, PQsendPrepare, (PGconn * a0, const char* a1, const char* a2, int a3, const Oid* a4),
          (a0, a1, a2, a3, a4))
ON_DEMAND(int, PQsendQueryPrepared,
          (PGconn * a0, const char* a1, int a2, const char* const* a3, const int* a4, const int* a5,
           int a6),
          (a0, a1, a2, a3, a4, a5, a6))
ON_DEMAND(int, PQsetSingleRowMode, (PGconn * a0), (a0))
ON_DEMAND(PGresult*, PQgetResult, (PGconn * a0), (a0))
ON_DEMAND(int, PQisBusy, (PGconn * a0), (a0))
ON_DEMAND(int, PQconsumeInput, (PGconn * a0), (a0))
ON_DEMAND(int, PQenterPipelineMode, (PGconn * a0), (a0))
ON_DEMAND(int, PQexitPipelineMode, (PGconn * a0), (a0))
ON_DEMAND(int, PQpipelineSync, (PGconn * a0), (a0))
ON_DEMAND(int, PQsendFlushRequest, (PGconn * a0), (a0))
ON_DEMAND(PGnotify*, PQnotifies, (PGconn * a0), (a0))
ON_DEMAND(int, PQputCopyData, (PGconn * a0, const char* a1, int a2), (a0, a1, a2))
ON_DEMAND(int, PQputCopyEnd, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(int, PQgetCopyData, (PGconn * a0, char** a1, int a2), (a0, a1, a2))
ON_DEMAND(int, PQgetline, (PGconn * a0, char* a1, int a2), (a0, a1, a2))
ON_DEMAND(int, PQputline, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(int, PQgetlineAsync, (PGconn * a0, char* a1, int a2), (a0, a1, a2))
ON_DEMAND(int, PQputnbytes, (PGconn * a0, const char* a1, int a2), (a0, a1, a2))
ON_DEMAND(int, PQendcopy, (PGconn * a0), (a0))
ON_DEMAND(int, PQsetnonblocking, (PGconn * a0, int a1), (a0, a1))
ON_DEMAND(int, PQisnonblocking, (const PGconn* a0), (a0))
ON_DEMAND(int, PQisthreadsafe, (), ())
ON_DEMAND(PGPing, PQping, (const char* a0), (a0))
ON_DEMAND(PGPing, PQpingParams, (const char* const* a0, const char* const* a1, int a2),
          (a0, a1, a2))
ON_DEMAND(int, PQflush, (PGconn * a0), (a0))
ON_DEMAND(PGresult*, PQfn,
          (PGconn * a0, int a1, int* a2, int* a3, int a4, const PQArgBlock* a5, int a6),
          (a0, a1, a2, a3, a4, a5, a6))
ON_DEMAND(ExecStatusType, PQresultStatus, (const PGresult* a0), (a0))
ON_DEMAND(char*, PQresStatus, (ExecStatusType a0), (a0))
ON_DEMAND(char*, PQresultErrorMessage, (const PGresult* a0), (a0))
ON_DEMAND(char*, PQresultVerboseErrorMessage,
          (const PGresult* a0, PGVerbosity a1, PGContextVisibility a2), (a0, a1, a2))
ON_DEMAND(char*, PQresultErrorField, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(int, PQntuples, (const PGresult* a0), (a0))
ON_DEMAND(int, PQnfields, (const PGresult* a0), (a0))
ON_DEMAND(int, PQbinaryTuples, (const PGresult* a0), (a0))
ON_DEMAND(char*, PQfname, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(int, PQfnumber, (const PGresult* a0, const char* a1), (a0, a1))
ON_DEMAND(Oid, PQftable, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(int, PQftablecol, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(int, PQfformat, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(Oid, PQftype, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(int, PQfsize, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(int, PQfmod, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(char*, PQcmdStatus, (PGresult * a0), (a0))
ON_DEMAND(char*, PQoidStatus, (const PGresult* a0), (a0))
ON_DEMAND(Oid, PQoidValue, (const PGresult* a0), (a0))
ON_DEMAND(char*, PQcmdTuples, (PGresult * a0), (a0))
ON_DEMAND(char*, PQgetvalue, (const PGresult* a0, int a1, int a2), (a0, a1, a2))
ON_DEMAND(int, PQgetlength, (const PGresult* a0, int a1, int a2), (a0, a1, a2))
ON_DEMAND(int, PQgetisnull, (const PGresult* a0, int a1, int a2), (a0, a1, a2))
ON_DEMAND(int, PQnparams, (const PGresult* a0), (a0))
ON_DEMAND(Oid, PQparamtype, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(PGresult*, PQdescribePrepared, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(PGresult*, PQdescribePortal, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(int, PQsendDescribePrepared, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(int, PQsendDescribePortal, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(void, PQclear, (PGresult * a0), (a0))
ON_DEMAND(void, PQfreemem, (void* a0), (a0))
ON_DEMAND(PGresult*, PQmakeEmptyPGresult, (PGconn * a0, ExecStatusType a1), (a0, a1))
ON_DEMAND(PGresult*, PQcopyResult, (const PGresult* a0, int a1), (a0, a1))
ON_DEMAND(int, PQsetResultAttrs, (PGresult * a0, int a1, PGresAttDesc* a2), (a0, a1, a2))
ON_DEMAND(void*, PQresultAlloc, (PGresult * a0, size_t a1), (a0, a1))
ON_DEMAND(size_t, PQresultMemorySize, (const PGresult* a0), (a0))
ON_DEMAND(int, PQsetvalue, (PGresult * a0, int a1, int a2, char* a3, int a4), (a0, a1, a2, a3, a4))
ON_DEMAND(size_t, PQescapeStringConn, (PGconn * a0, char* a1, const char* a2, size_t a3, int* a4),
          (a0, a1, a2, a3, a4))
ON_DEMAND(char*, PQescapeLiteral, (PGconn * a0, const char* a1, size_t a2), (a0, a1, a2))
ON_DEMAND(char*, PQescapeIdentifier, (PGconn * a0, const char* a1, size_t a2), (a0, a1, a2))
ON_DEMAND(unsigned char*, PQescapeByteaConn,
          (PGconn * a0, const unsigned char* a1, size_t a2, size_t* a3), (a0, a1, a2, a3))
ON_DEMAND(unsigned char*, PQunescapeBytea, (const unsigned char* a0, size_t* a1), (a0, a1))
ON_DEMAND(size_t, PQescapeString, (char* a0, const char* a1, size_t a2), (a0, a1, a2))
ON_DEMAND(unsigned char*, PQescapeBytea, (const unsigned char* a0, size_t a1, size_t* a2),
          (a0, a1, a2))
ON_DEMAND(void, PQprint, (FILE * a0, const PGresult* a1, const PQprintOpt* a2), (a0, a1, a2))
ON_DEMAND(void, PQdisplayTuples,
          (const PGresult* a0, FILE* a1, int a2, const char* a3, int a4, int a5),
          (a0, a1, a2, a3, a4, a5))
ON_DEMAND(void, PQprintTuples, (const PGresult* a0, FILE* a1, int a2, int a3, int a4),
          (a0, a1, a2, a3, a4))
ON_DEMAND(int, lo_open, (PGconn * a0, Oid a1, int a2), (a0, a1, a2))
ON_DEMAND(int, lo_close, (PGconn * a0, int a1), (a0, a1))
ON_DEMAND(int, lo_read, (PGconn * a0, int a1, char* a2, size_t a3), (a0, a1, a2, a3))
ON_DEMAND(int, lo_write, (PGconn * a0, int a1, const char* a2, size_t a3), (a0, a1, a2, a3))
ON_DEMAND(int, lo_lseek, (PGconn * a0, int a1, int a2, int a3), (a0, a1, a2, a3))
ON_DEMAND(pg_int64, lo_lseek64, (PGconn * a0, int a1, pg_int64 a2, int a3), (a0, a1, a2, a3))
ON_DEMAND(Oid, lo_creat, (PGconn * a0, int a1), (a0, a1))
ON_DEMAND(Oid, lo_create, (PGconn * a0, Oid a1), (a0, a1))
ON_DEMAND(int, lo_tell, (PGconn * a0, int a1), (a0, a1))
ON_DEMAND(pg_int64, lo_tell64, (PGconn * a0, int a1), (a0, a1))
ON_DEMAND(int, lo_truncate, (PGconn * a0, int a1, size_t a2), (a0, a1, a2))
ON_DEMAND(int, lo_truncate64, (PGconn * a0, int a1, pg_int64 a2), (a0, a1, a2))
ON_DEMAND(int, lo_unlink, (PGconn * a0, Oid a1), (a0, a1))
ON_DEMAND(Oid, lo_import, (PGconn * a0, const char* a1), (a0, a1))
ON_DEMAND(Oid, lo_import_with_oid, (PGconn * a0, const char* a1, Oid a2), (a0, a1, a2))
ON_DEMAND(int, lo_export, (PGconn * a0, Oid a1, const char* a2), (a0, a1, a2))
ON_DEMAND(int, PQlibVersion, (), ())
ON_DEMAND(int, PQmblen, (const char* a0, int a1), (a0, a1))
ON_DEMAND(int, PQmblenBounded, (const char* a0, int a1), (a0, a1))
ON_DEMAND(int, PQdsplen, (const char* a0, int a1), (a0, a1))
ON_DEMAND(int, PQenv2encoding, (), ())
ON_DEMAND(char*, PQencryptPassword, (const char* a0, const char* a1), (a0, a1))
ON_DEMAND(char*, PQencryptPasswordConn,
          (PGconn * a0, const char* a1, const char* a2, const char* a3), (a0, a1, a2, a3))
ON_DEMAND(int, pg_char_to_encoding, (const char* a0), (a0))
ON_DEMAND(const char*, pg_encoding_to_char, (int a0), (a0))
ON_DEMAND(int, pg_valid_server_encoding_id, (int a0), (a0))
ON_DEMAND(PQsslKeyPassHook_OpenSSL_type, PQgetSSLKeyPassHook_OpenSSL, (), ())
ON_DEMAND(void, PQsetSSLKeyPassHook_OpenSSL, (PQsslKeyPassHook_OpenSSL_type a0), (a0))
ON_DEMAND(int, PQdefaultSSLKeyPassHook_OpenSSL, (char* a0, int a1, PGconn* a2), (a0, a1, a2))

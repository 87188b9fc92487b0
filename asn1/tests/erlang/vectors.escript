#!/usr/bin/env escript
%% -*- erlang -*-
%% Lets Erlang/OTP's asn1 application (an independent implementation of aligned PER and of
%% BER) encode and decode values of the runtime's test schema.
%%
%%   vectors.escript generate per|ber SCHEMA_DIR > per_vectors.txt
%%       encodes the values listed below; one line per value
%%   vectors.escript check per|ber SCHEMA_DIR < cases.txt
%%       reads lines of the same form, encodes each term and compares the octets, decodes
%%       each octet string and compares the term; prints every mismatch and a summary
%%
%% A line: Module Type Hex Term. (the term in Erlang syntax, ending with a dot).
%% The values stay clear of the PER wire forms in which the runtime deliberately differs
%% from X.691: enumerations numbered other than 0, 1, 2 ..., extension values of ENUMERATED,
%% INTEGER with a lower bound only, an extension bitmap shorter than the known additions.

main(["generate", Codec, Dir]) ->
    compile_schema(Codec, Dir),
    lists:foreach(fun({M, T, V}) ->
                          {ok, Bin} = M:encode(T, V),
                          io:format("~s ~s ~s ~w.~n", [M, T, hex(Bin), V])
                  end, values());
main(["check", Codec, Dir]) ->
    compile_schema(Codec, Dir),
    check(0, 0);
main(_) ->
    io:format(standard_error, "usage: vectors.escript generate|check per|ber SCHEMA_DIR~n", []),
    halt(2).

compile_schema(Codec, Dir) when Codec =:= "per"; Codec =:= "ber" ->
    Out = string:trim(os:cmd("mktemp -d")),
    lists:foreach(fun(M) ->
                          ok = asn1ct:compile(filename:join(Dir, M ++ ".asn"),
                                              [list_to_atom(Codec), {outdir, Out}])
                  end, ["TEST", "LGCP"]),
    true = code:add_patha(Out),
    [{module, _} = code:ensure_loaded(M) || M <- ['TEST', 'LGCP']],
    os:cmd("rm -rf '" ++ Out ++ "'").

check(Checked, Bad) ->
    case io:get_line("") of
        eof ->
            io:format("checked ~b, ~b mismatches~n", [Checked, Bad]);
        Line ->
            [M, T, Hex | Rest] = string:split(string:trim(Line), " ", all),
            Text = lists:flatten(lists:join(" ", Rest)),
            {ok, Tokens, _} = erl_scan:string(Text),
            {ok, Term} = erl_parse:parse_term(Tokens),
            Module = list_to_atom(M),
            Type = list_to_atom(T),
            Ours = unhex(Hex),
            Encoded = (catch Module:encode(Type, Term)),
            Decoded = (catch Module:decode(Type, Ours)),
            Problems = [io_lib:format("erlang encodes ~p", [Encoded])
                        || Encoded =/= {ok, Ours}]
                ++ [io_lib:format("erlang decodes ~p", [Decoded])
                    || Decoded =/= {ok, Term}],
            [io:format("MISMATCH ~s ~s ~s ~s~n  ~s~n", [M, T, Hex, Text, string:join(Problems, "; ")])
             || Problems =/= []],
            check(Checked + 1, Bad + length([x || Problems =/= []]))
    end.

hex(Bin) -> lists:flatten([io_lib:format("~2.16.0B", [B]) || <<B>> <= Bin]).

unhex(Hex) -> << <<(list_to_integer([A, B], 16))>> || <<A, B>> <= list_to_binary(Hex) >>.

%% The values of the committed vectors: every kind of field at its edges.
values() ->
    Max = 2147483647,
    Min = -2147483648,
    Host = {'HostAddress', "10.0.0.1", 4000},
    Rtp = {'RtpParams', g729, Host, {'HostAddress', "", 0}, lists:duplicate(64, $z),
           {'RtpJitter', 0, 1000}, -1, Max, true, adaptive, 4294967295, 255, 63,
           [{inactive, 'NULL'}, {active, Min}]},
    RtpMinimal = {'RtpParams', pcmu, Host, asn1_NOVALUE, "g", asn1_NOVALUE, asn1_NOVALUE,
                  asn1_NOVALUE, asn1_NOVALUE, asn1_NOVALUE, 0, 1, asn1_NOVALUE, []},
    Create = {create, {rtp, {'CreateRtpParams', Rtp, pcma, g722}}},
    [{'TEST', 'Pair', {'Pair', 5, {number, 6}}},
     {'TEST', 'Pair', {'Pair', asn1_NOVALUE, {number, 6}}},
     {'TEST', 'Pair', {'Pair', 1023, {flag, true}}},
     {'TEST', 'Pair', {'Pair', 0, {nothing, 'NULL'}}},
     {'TEST', 'PairExt', {'PairExt', 5, {number, 6}}},
     {'TEST', 'PairExt', {'PairExt', asn1_NOVALUE, {flag, false}}},
     {'TEST', 'PairOfPickExt', {'PairOfPickExt', 5, {number, 6}}},
     {'TEST', 'PairOfPickExt', {'PairOfPickExt', 512, {nothing, 'NULL'}}},
     {'TEST', 'Record', {'Record', 5, asn1_NOVALUE, busy,
                         {data, {'Data', <<10, 255>>, <<5:3>>}}, [1, 2]}},
     {'TEST', 'Record', {'Record', Min, "", idle, {none, 'NULL'}, []}},
     {'TEST', 'Record', {'Record', Max, lists:seq(0, 126), idle, {data, {'Data', <<>>, <<>>}},
                         [0, -1, 127, 128, -128, -129, 32767, 32768, -32768, -32769, Max, Min]}},
     {'TEST', 'Record', {'Record', 128, lists:duplicate(128, $a), busy,
                         {data, {'Data', binary:copy(<<16#5A>>, 127), <<255, 0:1>>}}, [256]}},
     {'TEST', 'Record', {'Record', -65536, lists:duplicate(300, 127), busy,
                         {data, {'Data', binary:copy(<<1, 2, 3>>, 100), <<1, 2, 3:2>>}}, []}},
     {'TEST', 'Record', {'Record', 65535, "x", idle,
                         {data, {'Data', <<0>>, <<16#AB, 16#CD>>}}, lists:seq(-3, 3)}},
     {'TEST', 'Data', {'Data', <<7, 8>>, <<1:1>>}},
     {'TEST', 'Data', {'Data', binary:copy(<<255>>, 16383), binary:copy(<<170>>, 2)}},
     {'TEST', 'Extended', {'Extended', 1, asn1_NOVALUE, asn1_NOVALUE,
                           asn1_NOVALUE, asn1_NOVALUE, asn1_NOVALUE}},
     {'TEST', 'Extended', {'Extended', 1, true, "ab", 5, true, <<171>>}},
     {'TEST', 'Extended', {'Extended', -7, false, asn1_NOVALUE, asn1_NOVALUE, false, asn1_NOVALUE}},
     {'TEST', 'Extended', {'Extended', 0, asn1_NOVALUE, "", Min, asn1_NOVALUE, <<>>}},
     {'LGCP', 'Message', {'Message', 3, 17, {command, Create}}},
     {'LGCP', 'Message', {'Message', 4, 1023, {command, {create, {rtp,
                          {'CreateRtpParams', RtpMinimal, pcmu, g729}}}}}},
     {'LGCP', 'Message', {'Message', asn1_NOVALUE, 0, {command, {create, {mixerOut, 'NULL'}}}}},
     {'LGCP', 'Message', {'Message', 1, 5, {command, {create, {trunk, 255}}}}},
     {'LGCP', 'Message', {'Message', asn1_NOVALUE, asn1_NOVALUE, {command, {query, 'NULL'}}}},
     {'LGCP', 'Message', {'Message', 9, asn1_NOVALUE, {command, {ping, 'NULL'}}}},
     {'LGCP', 'Message', {'Message', 10, 2, {command, {connect, 1023}}}},
     {'LGCP', 'Message', {'Message', 11, asn1_NOVALUE, {command, {testBpc,
                          {'BpcTestParams', 15, -1, {write, 'NULL'}, 0, 127}}}}},
     {'LGCP', 'Message', {'Message', 12, 7, {command, {userData, binary:copy(<<9>>, 200)}}}},
     {'LGCP', 'Message', {'Message', 13, 7, {command, {destroy, 'NULL'}}}},
     {'LGCP', 'Message', {'Message', 3, 17, {response, {success, 'NULL'}}}},
     {'LGCP', 'Message', {'Message', 3, 17, {response, {error, invalidSlot}}}},
     {'LGCP', 'Message', {'Message', 3, asn1_NOVALUE, {response, {error, destroyInProgress}}}},
     {'LGCP', 'Message', {'Message', asn1_NOVALUE, 17, {signal, {number, "1234#*"}}}},
     {'LGCP', 'Message', {'Message', asn1_NOVALUE, 17, {signal, {abort, -5}}}},
     {'LGCP', 'Message', {'Message', asn1_NOVALUE, 17, {signal, {receiver, {active, 8000}}}}},
     {'LGCP', 'Message', {'Message', asn1_NOVALUE, 1, {signal, {activated, 'NULL'}}}},
     {'LGCP', 'Message', {'Message', asn1_NOVALUE, 1, {signal, {userData, <<>>}}}}].

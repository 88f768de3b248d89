#!/usr/bin/python3
"""The two operations of the Van service that the relay calls, served document/literal by a
third-party SOAP library (spyne) on a loopback address. Tests start it, send it our requests
and read back, on standard output, what it decoded:

    PORT <n>                  once, when it listens
    CALL <operation>          then one line per parameter:
    <name>=<value as JSON>
    END

Each call answers a number computed from its arguments, so the test also checks our decoding of
the answer. A cnpj_estabelecimento of "FAULT" makes it answer a SOAP fault instead.

Usage: van_spyne_service.py <loopback address>
"""

import json
import logging
import sys
from wsgiref.simple_server import WSGIRequestHandler, make_server

from spyne import Application, Fault, Integer32, ServiceBase, Unicode, rpc
from spyne.protocol.soap import Soap11
from spyne.server.wsgi import WsgiApplication

NAMESPACE = "http://tempuri.org/"


def report(operation, names, values):
    lines = ["CALL " + operation]
    for name, value in zip(names, values):
        lines.append(name + "=" + json.dumps(value, ensure_ascii=False))
    lines.append("END")
    sys.stdout.write("\n".join(lines) + "\n")
    sys.stdout.flush()


class VanSoap(ServiceBase):
    @rpc(Integer32, Unicode, Integer32, Integer32, Unicode, Unicode,
         _returns=Integer32)
    def inserir_vendas(ctx, registro, cnpj_estabelecimento, maquina, cupom, data_movimento, data_hora):
        report("inserir_vendas",
               ["registro", "cnpj_estabelecimento", "maquina", "cupom", "data_movimento", "data_hora"],
               [registro, cnpj_estabelecimento, maquina, cupom, data_movimento, data_hora])
        if cnpj_estabelecimento == "FAULT":
            raise Fault(faultcode="Client.Recusado", faultstring="Venda recusada: código inválido")
        return (registro % 1000) + maquina + cupom

    @rpc(Integer32, Unicode, Integer32, Integer32, Unicode, Unicode, Integer32, Unicode, Unicode,
         Unicode, Unicode, Unicode, Unicode, Unicode, Unicode,
         _returns=Integer32)
    def inserir_vendas_itens_V3(ctx, registro, cnpj_estabelecimento, maquina, registro_item, data_movimento,
                                ean, quantidade, total_liquido, aliquota_icms, estoque, pendencia, linha,
                                curva, vendedor, tipo):
        names = ["registro", "cnpj_estabelecimento", "maquina", "registro_item", "data_movimento", "ean",
                 "quantidade", "total_liquido", "aliquota_icms", "estoque", "pendencia", "linha", "curva",
                 "vendedor", "tipo"]
        report("inserir_vendas_itens_V3", names,
               [registro, cnpj_estabelecimento, maquina, registro_item, data_movimento, ean, quantidade,
                total_liquido, aliquota_icms, estoque, pendencia, linha, curva, vendedor, tipo])
        return registro_item * 100 + quantidade


class QuietHandler(WSGIRequestHandler):
    def log_message(self, *args):
        pass


def main():
    logging.basicConfig(level=logging.ERROR)
    application = Application([VanSoap], tns=NAMESPACE, name="Van",
                              in_protocol=Soap11(validator="lxml"), out_protocol=Soap11())
    server = make_server(sys.argv[1], 0, WsgiApplication(application), handler_class=QuietHandler)
    sys.stdout.write("PORT %d\n" % server.server_port)
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
